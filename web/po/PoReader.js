// The page's PO reader: the parser of gettext-parser (Debian's
// node-gettext-parser), bundled into the page when it is built. The page hands
// it text, never bytes, so the parser's charset conversion and its stream
// interface are left out (see Unused.js).
'use strict';

const poParser = require('gettext-parser/lib/poparser');

window.KandorellePo = {
  parse: function (text) {
    return poParser.parse(text);
  },
};
