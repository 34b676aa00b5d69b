// js_format.js: js-beautify 1.15.4 (installed with npm, inserted below by the build) behind the classic entry point
// js_beautify(js_source_text, indent_size, indent_character, indent_level).
// The release exports through define, exports, window or global, and a plain script engine has none of them:
// give it a private "exports" so that it defines nothing global by itself.
(function (root) {
// Two bugs of Qt 5.15's engine break this release; each is mended here only when the engine shows it, and only in
// the engine this resource runs in (the formatter's own).
// The sticky flag "y" is handled like "u": identity escapes such as \- throw and nothing is anchored. Without a
// "sticky" property the tokenizer uses its "g" patterns and checks each match's position itself.
(function () {
    try {
        var probe = new RegExp('\\-', 'y');
        probe.lastIndex = 1;
        if (probe.test('a-')) {
            probe.lastIndex = 0;
            if (!probe.test('a-')) {
                return;
            }
        }
    } catch (e) {
    }
    delete RegExp.prototype.sticky;
})();
// "source" puts a backslash before every "/", escaped or not, so /\//.source reads \\/ (an escaped backslash and
// a slash): patterns rebuilt from it stop matching. Taking the one inserted backslash away gives the pattern back.
(function () {
    var source = Object.getOwnPropertyDescriptor(RegExp.prototype, 'source');
    if (!source || !source.get || /\//.source !== '\\\\/') {
        return;
    }
    Object.defineProperty(RegExp.prototype, 'source', {
        get: function () {
            return source.get.call(this).replace(/\\\//g, '/');
        },
        enumerable: source.enumerable,
        configurable: true
    });
})();
var exports = {};
