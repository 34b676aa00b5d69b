// Dates as browsers read and write them: Date.parse and new Date(string) read the forms browsers accept, and the
// to...String methods give ES2018's texts. This is the body of a function of (icu, global, reader) run once per
// engine, reader being the source of res/date-reader.js; only what the engine gets wrong is replaced. Returns the
// names of the global properties it defined.
'use strict';

var zoneDisplayName = icu.zoneDisplayName;
icu = undefined;
var NativeDate = global.Date, defineProperty = Object.defineProperty, call = Function.prototype.call, floor = Math.floor;
var construct = Reflect.construct, toPrimitiveSymbol = Symbol.toPrimitive;
var proto = NativeDate.prototype, getTime = proto.getTime, nativeParse = NativeDate.parse;
var getters = {};
['getTimezoneOffset', 'setFullYear', 'setHours'].forEach(function (name) { getters[name] = proto[name]; });
function get(date, name) { return call.call(getters[name], date); }

// ---------------------------------------------------------------------------------------------------- reading

// The reader is compiled on its first use, from the source the installer was given.
var readerSource = reader;
reader = undefined;
var FunctionConstructor = Function;
var readDate = function (text) {
    readDate = new FunctionConstructor('intrinsics', readerSource)({NativeDate: NativeDate, call: call,
        getTime: getTime, setFullYear: getters.setFullYear, setHours: getters.setHours});
    return readDate(text);
};

// ---------------------------------------------------------------------------------------------------- writing

var dayNames = ['Sun', 'Mon', 'Tue', 'Wed', 'Thu', 'Fri', 'Sat'];
var monthNames = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
function pad(n, width) { var s = String(n); while (s.length < width) s = '0' + s; return s; }
function yearText(y) { return y < 0 ? '-' + pad(-y, 4) : pad(y, 4); }
function timeValue(date) { return call.call(getTime, date); }
// The calendar fields of t shifted by offset minutes, by arithmetic: each of the engine's local getters works the
// local time out again (about 2 µs a call here).
function fieldsOf(t, offset) {
    var local = t + offset * 60000, days = floor(local / 86400000), ms = local - days * 86400000;
    var z = days + 719468, era = floor(z / 146097), doe = z - era * 146097;
    var yoe = floor((doe - floor(doe / 1460) + floor(doe / 36524) - floor(doe / 146096)) / 365);
    var doy = doe - (365 * yoe + floor(yoe / 4) - floor(yoe / 100)), mp = floor((5 * doy + 2) / 153);
    var month = mp < 10 ? mp + 2 : mp - 10;
    return {year: yoe + era * 400 + (month < 2 ? 1 : 0), month: month, day: doy - floor((153 * mp + 2) / 5) + 1,
        weekday: ((days + 4) % 7 + 7) % 7, hours: floor(ms / 3600000), minutes: floor(ms / 60000) % 60,
        seconds: floor(ms / 1000) % 60};
}
function dateText(f) {
    return dayNames[f.weekday] + ' ' + monthNames[f.month] + ' ' + pad(f.day, 2) + ' ' + yearText(f.year);
}
function clockText(f) { return pad(f.hours, 2) + ':' + pad(f.minutes, 2) + ':' + pad(f.seconds, 2); }
function timeText(f, t, offset) {
    var sign = offset < 0 ? '-' : '+', name = zoneDisplayName(t);
    offset = Math.abs(offset);
    return clockText(f) + ' GMT' + sign + pad(floor(offset / 60), 2) + pad(offset % 60, 2) + (name ? ' (' + name + ')' : '');
}
function localFields(date, t) {
    var offset = -get(date, 'getTimezoneOffset');
    return {fields: fieldsOf(t, offset), offset: offset};
}
function toDateString(date) {
    var t = timeValue(date);
    if (t !== t) return 'Invalid Date';
    var local = localFields(date, t);
    return dateText(local.fields) + ' ' + timeText(local.fields, t, local.offset);
}
var writers = {
    toString: function toString() { return toDateString(this); },
    toDateString: function toDateString() {
        var t = timeValue(this);
        return t !== t ? 'Invalid Date' : dateText(localFields(this, t).fields);
    },
    toTimeString: function toTimeString() {
        var t = timeValue(this);
        if (t !== t) return 'Invalid Date';
        var local = localFields(this, t);
        return timeText(local.fields, t, local.offset);
    },
    toUTCString: function toUTCString() {
        var t = timeValue(this);
        if (t !== t) return 'Invalid Date';
        var f = fieldsOf(t, 0);
        return dayNames[f.weekday] + ', ' + pad(f.day, 2) + ' ' + monthNames[f.month] + ' ' + yearText(f.year) + ' ' +
            clockText(f) + ' GMT';
    }
};

// ---------------------------------------------------------------------------------------------------- what to replace

function install(target, name, fn) {
    defineProperty(target, name, {value: fn, writable: true, enumerable: false, configurable: true});
}
// The engine's texts are checked against ES2018's forms (the zone name is the engine's to choose).
var sample = new NativeDate(2020, 0, 5, 6, 7, 8);
var forms = {
    toString: /^[A-Z][a-z]{2} [A-Z][a-z]{2} \d{2} \d{4} \d{2}:\d{2}:\d{2} GMT[+-]\d{4}( \(.+\))?$/,
    toDateString: /^[A-Z][a-z]{2} [A-Z][a-z]{2} \d{2} \d{4}$/,
    toTimeString: /^\d{2}:\d{2}:\d{2} GMT[+-]\d{4}( \(.+\))?$/,
    toUTCString: /^[A-Z][a-z]{2}, \d{2} [A-Z][a-z]{2} \d{4} \d{2}:\d{2}:\d{2} GMT$/};
var stringsWrong = false;
Object.keys(writers).forEach(function (name) {
    if (!forms[name].test(sample[name]())) {
        install(proto, name, writers[name]);
        if (name === 'toUTCString') install(proto, 'toGMTString', writers[name]);
        stringsWrong = stringsWrong || name === 'toString';
    }
});

// A form every browser reads (and one the engine fails on quickly: a failed read costs it a millisecond or more).
var probe = '14 Jun 2017 00:00:00 PDT', instant = 1497423600000;
var parseWrong = nativeParse(probe) !== instant;
var constructWrong = new NativeDate(probe).getTime() !== instant;
if (parseWrong) install(NativeDate, 'parse', function parse(string) { return readDate(String(string)); });

var defined = [];
if (constructWrong || stringsWrong) {
    // new Date(string) reads through the engine's own parser, and Date() writes through its own toString: a
    // wrapper sharing the engine's prototype, so instanceof, subclasses and the engine's own dates stay as they were.
    var readString = constructWrong ? function (text) { return readDate(text); } : function (text) { return nativeParse(text); };
    var toPrimitive = function (value) {
        var exotic = value[toPrimitiveSymbol];
        if (exotic !== undefined && exotic !== null) {
            var result = call.call(exotic, value, 'default');
            if (typeof result === 'object' && result !== null) throw new TypeError('Cannot convert object to primitive value');
            return result;
        }
        var names = ['valueOf', 'toString'];
        for (var i = 0; i < 2; i++) {
            var fn = value[names[i]];
            if (typeof fn === 'function') {
                var primitive = call.call(fn, value);
                if (typeof primitive !== 'object' || primitive === null) return primitive;
            }
        }
        throw new TypeError('Cannot convert object to primitive value');
    };
    var Date = function Date(year, month, date, hours, minutes, seconds, ms) {
        if (new.target === undefined) return toDateString(new NativeDate());
        if (arguments.length !== 1) return construct(NativeDate, arguments, new.target);
        var value = arguments[0], time;
        if (typeof value === 'object' && value !== null || typeof value === 'function') {
            try {
                time = call.call(getTime, value);
            } catch (notADate) {
                value = toPrimitive(value);
            }
        }
        if (time === undefined) time = typeof value === 'string' ? readString(value) : value;
        return construct(NativeDate, [time], new.target);
    };
    defineProperty(Date, 'prototype', {value: proto, writable: false, enumerable: false, configurable: false});
    ['now', 'parse', 'UTC'].forEach(function (name) { install(Date, name, NativeDate[name]); });
    install(proto, 'constructor', Date);
    install(global, 'Date', Date);
}
return defined;
