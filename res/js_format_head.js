// js_format.js: js-beautify 1.7.5 (installed with npm, inserted below by the build) behind the classic entry point
// js_beautify(js_source_text, indent_size, indent_character, indent_level).
// The release exports through define, exports, window or global, and a plain script engine has none of them:
// give it a private "exports" so that it defines nothing global by itself.
(function (root) {
var exports = {};
