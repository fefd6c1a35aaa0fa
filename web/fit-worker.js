// The text-fit check of a translation dropped on the page, with a module of
// its own: the check starts the firmware afresh for every state it shows,
// which the page's live panel must never see. Takes {translation, languages}
// (the translation as the calls that hand it to a module: [name, argument
// types, arguments] each) and answers with the findings in those languages,
// in their order, or with {failed} when the module cannot run here.
'use strict';

importScripts('kandorelle-checks.js');

self.onmessage = function (event) {
  const translation = event.data.translation;
  self.createKandorelleChecks()
    .then(function (module) {
      for (const [name, types, args] of translation) module.cwrap(name, null, types).apply(null, args);
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
