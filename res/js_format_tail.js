
var beautify = exports.js_beautify;
// indent_level (the starting level) has no option in this release, which takes its base indentation from the
// source's leading blanks instead: give it that many levels of leading blanks.
root.js_beautify = function (js_source_text, indent_size, indent_character, indent_level) {
    var options = {};
    if (indent_size !== undefined) {
        options.indent_size = indent_size;
    }
    if (indent_character !== undefined) {
        options.indent_char = indent_character;
    }
    var source = String(js_source_text);
    var levels = parseInt(indent_level, 10);
    if (levels > 0) {
        var unit = new Array((options.indent_size === undefined ? 4 : parseInt(options.indent_size, 10)) + 1)
            .join(options.indent_char === undefined ? ' ' : options.indent_char);
        source = new Array(levels + 1).join(unit) + source.replace(/^[ \t]*/, '');
    }
    return beautify(source, options);
};
})(this);
