// Stands in for the modules that gettext-parser's PO parser loads for
// charset conversion and streams: the page parses text only.
'use strict';

module.exports = {
  Transform: function () {},
  inherits: function () {},
  convert: function () {
    throw new Error('PO files must be UTF-8');
  },
};
