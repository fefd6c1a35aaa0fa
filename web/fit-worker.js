// The text-fit check of a translation dropped on the page, with a module of
// its own: the check starts the firmware afresh for every state it shows,
// which the page's live panel must never see. Takes {translation, languages}
// (the translation as the page hands it to its own module) and answers with
// the findings in those languages, in their order, or with {failed} when the
// module cannot run here.
'use strict';

importScripts('kandorelle.js');

self.onmessage = function (event) {
  const translation = event.data.translation;
  self.createKandorelle()
    .then(function (module) {
      module.cwrap('KandoPreviewBegin', null, ['string', 'number', 'string', 'string']).apply(null, translation.begin);
      const entry = module.cwrap('KandoPreviewEntry', null, ['number', 'string', 'string', 'string', 'number', 'number']);
      for (const e of translation.entries) entry.apply(null, e);
      const check = module.cwrap('KandoCheckTexts', 'string', ['number']);
      let findings = [];
      for (const language of event.data.languages) {
        const found = JSON.parse(check(language));
        if (found.problems !== undefined) throw new Error(found.problems);
        findings = findings.concat(found);
      }
      self.postMessage(findings);
    })
    .catch(function (error) {
      self.postMessage({ failed: String(error.message || error) });
    });
};
