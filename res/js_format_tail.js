
var beautify = exports.js_beautify;
root.js_beautify = function (js_source_text, indent_size, indent_character, indent_level) {
    var options = {};
    if (indent_size !== undefined) {
        options.indent_size = indent_size;
    }
    if (indent_character !== undefined) {
        options.indent_char = indent_character;
    }
    if (indent_level !== undefined) {
        options.indent_level = indent_level;
    }
    return beautify(String(js_source_text), options);
};
})(this);
