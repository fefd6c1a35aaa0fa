// The text-fit check of a translation dropped on the page, with a module of
// its own: the check starts the firmware afresh for every state it shows,
// which the page's live panel must never see. Takes {translation, languages}
// and answers with the findings in those languages, in their order, or with
// {failed} when the module cannot run here.
'use strict';

importScripts('kandorelle.js');

self.onmessage = function (event) {
  self.createKandorelle()
    .then(function (module) {
      const check = module.cwrap('KandoCheckTexts', 'string', ['string', 'number']);
      let findings = [];
      for (const language of event.data.languages) {
        const found = JSON.parse(check(event.data.translation, language));
        if (found.problems !== undefined) throw new Error(found.problems);
        findings = findings.concat(found);
      }
      self.postMessage(findings);
    })
    .catch(function (error) {
      self.postMessage({ failed: String(error.message || error) });
    });
};
