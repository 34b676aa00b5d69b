// Intl and the locale-sensitive methods of the built-ins, on top of ICU. This is the body of a function of
// (icu, global) run once per engine; icu is the native bridge and stays in this closure. Returns the names of the
// global properties it defined.
'use strict';

var create = Object.create, defineProperty = Object.defineProperty, getPrototypeOf = Object.getPrototypeOf;
var floor = Math.floor, NativeDate = Date, dateNow = Date.now;
var numberValueOf = Number.prototype.valueOf, dateValueOf = Date.prototype.getTime;
var call = Function.prototype.call;
var toStringTag = Symbol.toStringTag, iteratorSymbol = Symbol.iterator, toPrimitiveSymbol = Symbol.toPrimitive;

// The bridge's methods, taken once into an object without a prototype (a setter a script put on Object.prototype
// would otherwise receive them); nothing below hands them or the bridge anywhere.
var native = create(null), nativeNames = ['defaultLocale', 'canonicalizeTag', 'isAvailable', 'likelySubtags',
    'supportedValues', 'isSupportedValue', 'numberingSystem', 'localeInfo', 'formatNumber', 'formatNumberParts',
    'formatNumberRange', 'currencyDigits', 'pluralSelect', 'pluralSelectRange', 'pluralCategories', 'defaultTimeZone',
    'canonicalTimeZone', 'defaultHourCycle', 'datePattern', 'formatDate', 'formatDateParts', 'formatDateRange',
    'compare', 'collatorSettings', 'changeCase', 'segment', 'formatList', 'formatRelative', 'displayName'];
for (var n = 0; n < nativeNames.length; n++) native[nativeNames[n]] = icu[nativeNames[n]];
icu = undefined;

// Internal slots: a record per object, sealed in a closure kept on the object under a symbol. The engine's WeakMap
// crashes when the collector runs over many entries, so the record lives with its object instead.
var slotKey = Symbol('Intl'), unsealing = false;
function recordOf(object) {
    if ((typeof object !== 'object' && typeof object !== 'function') || object === null) return undefined;
    var seal = object[slotKey];
    if (typeof seal !== 'function') return undefined;
    unsealing = true;
    try {
        return seal();
    } finally {
        unsealing = false;
    }
}
function slotOf(object, kind, method) {
    var record = recordOf(object);
    if (!record || record.kind !== kind)
        throw new TypeError('Method Intl.' + kind + '.prototype.' + method + ' called on incompatible receiver ' + describe(object));
    return record;
}
function setSlot(object, record) {
    defineProperty(object, slotKey, {value: function () { return unsealing ? record : undefined; }});
    return object;
}
function describe(value) {
    if (typeof value === 'string') return value;
    if (value === null || value === undefined || typeof value !== 'object') return String(value);
    return '#<' + ((getPrototypeOf(value) || {}).constructor || {name: 'Object'}).name + '>';
}

function method(target, name, fn, length) {
    defineProperty(fn, 'name', {value: name, configurable: true});
    if (length !== undefined) defineProperty(fn, 'length', {value: length, configurable: true});
    defineProperty(target, name, {value: fn, writable: true, enumerable: false, configurable: true});
}
function getter(target, name, fn) {
    defineProperty(fn, 'name', {value: 'get ' + name, configurable: true});
    defineProperty(target, name, {get: fn, enumerable: false, configurable: true});
}
// A constructor with its prototype and tag; called without new it throws, as the standard's newer constructors do.
function makeClass(name, construct, length, legacy) {
    var ctor = function () {
        if (new.target === undefined && !legacy)
            throw new TypeError("Constructor Intl." + name + " requires 'new'");
        var self = new.target === undefined ? create(ctor.prototype) : this;
        construct(self, arguments[0], arguments[1]);
        return self;
    };
    defineProperty(ctor, 'name', {value: name, configurable: true});
    defineProperty(ctor, 'length', {value: length, configurable: true});
    var proto = {};
    defineProperty(proto, 'constructor', {value: ctor, writable: true, configurable: true});
    defineProperty(proto, toStringTag, {value: 'Intl.' + name, configurable: true});
    defineProperty(ctor, 'prototype', {value: proto});
    if (name !== 'Locale')
        method(ctor, 'supportedLocalesOf', function supportedLocalesOf(locales, options) {
            return supportedLocales(name, canonicalizeLocaleList(locales), options);
        }, 1);
    return ctor;
}

// ---------------------------------------------------------------------------------------------------- options

function coerceOptions(options) {
    if (options === undefined) return create(null);
    return Object(options);
}
function getOptionsObject(options) {
    if (options === undefined) return create(null);
    if (typeof options === 'object' && options !== null || typeof options === 'function') return options;
    throw new TypeError('Options must be an object');
}
function getOption(options, property, type, values, fallback, service) {
    var value = options[property];
    if (value === undefined) return fallback;
    value = type === 'boolean' ? Boolean(value) : String(value);
    if (values !== undefined && values.indexOf(value) < 0)
        throw new RangeError('Value ' + value + ' out of range for Intl.' + (service || 'Object') + ' options property ' + property);
    return value;
}
function defaultNumberOption(value, minimum, maximum, fallback, property) {
    if (value === undefined) return fallback;
    value = Number(value);
    if (value !== value || value < minimum || value > maximum)
        throw new RangeError(property + ' value is out of range.');
    return floor(value);
}
function getNumberOption(options, property, minimum, maximum, fallback) {
    return defaultNumberOption(options[property], minimum, maximum, fallback, property);
}
var typeSequence = /^[a-z0-9]{3,8}(-[a-z0-9]{3,8})*$/i;

// ---------------------------------------------------------------------------------------------------- locales

var languageTag = /^(?:[a-z]{2,3}|[a-z]{5,8})(?:-[a-z]{4})?(?:-(?:[a-z]{2}|[0-9]{3}))?((?:-(?:[a-z0-9]{5,8}|[0-9][a-z0-9]{3}))*)((?:-[0-9a-wyz](?:-[a-z0-9]{2,8})+)*)(?:-x(?:-[a-z0-9]{1,8})+)?$/;
// Caches of the script's repeated requests, emptied past a bound so that a loop over new tags cannot grow them.
var cacheBound = 1000, canonicalCache = create(null), canonicalCount = 0;
function canonicalizeTag(tag) {
    var cached = canonicalCache[tag];
    if (cached !== undefined) return cached;
    var lower = tag.toLowerCase();
    var match = languageTag.exec(lower);
    var canonical = '';
    if (match && tag.length <= 255) {
        var variants = match[1] ? match[1].slice(1).split('-') : [];
        var singletons = match[2] ? match[2].match(/-[0-9a-wyz]-/g) || [] : [];
        if (!duplicates(variants) && !duplicates(singletons) && validUnicodeExtension(match[2]))
            canonical = native.canonicalizeTag(lower);
    }
    if (!canonical) throw new RangeError('Incorrect locale information provided');
    if (++canonicalCount > cacheBound) {
        canonicalCache = create(null);
        canonicalCount = 1;
    }
    canonicalCache[tag] = canonical;
    return canonical;
}
function duplicates(list) {
    for (var i = 0; i < list.length; i++)
        if (list.indexOf(list[i], i + 1) >= 0) return true;
    return false;
}
function validUnicodeExtension(extensions) {
    var at = extensions ? extensions.indexOf('-u-') : -1;
    if (at < 0) return true;
    var subtags = extensions.slice(at + 3).split('-');
    var keys = [];
    for (var i = 0; i < subtags.length && subtags[i].length > 1; i++) {
        if (subtags[i].length === 2) {
            if (!/^[a-z0-9][a-z]$/.test(subtags[i]) || keys.indexOf(subtags[i]) >= 0) return false;
            keys.push(subtags[i]);
        } else if (keys.length === 0 && subtags[i].length < 3) {
            return false;
        }
    }
    return true;
}
function canonicalizeLocaleList(locales) {
    if (locales === undefined) return [];
    var seen = [];
    var list = typeof locales === 'string' || isLocale(locales) ? [locales] : Object(locales);
    var length = Math.min(Number(list.length) || 0, 9007199254740991);
    for (var k = 0; k < length; k++) {
        if (!(k in list)) continue;
        var value = list[k];
        if (typeof value !== 'string' && (typeof value !== 'object' || value === null))
            throw new TypeError('Language ID should be string or object.');
        var tag = isLocale(value) ? slotOf(value, 'Locale', 'toString').tag : canonicalizeTag(String(value));
        if (seen.indexOf(tag) < 0) seen.push(tag);
    }
    return seen;
}
function isLocale(value) {
    if (typeof value !== 'object' || value === null) return false;
    var record = recordOf(value);
    return record !== undefined && record.kind === 'Locale';
}
// The -u- extension of a tag: its keywords and the tag without it.
function splitExtension(tag) {
    var parts = tag.split('-'), base = [], keys = create(null), i = 0, inUnicode = false, key = null;
    for (; i < parts.length; i++) {
        var part = parts[i];
        if (part === 'x') { base = base.concat(parts.slice(i)); break; }
        if (part.length === 1) { inUnicode = part === 'u'; key = null; if (!inUnicode) base.push(part); continue; }
        if (!inUnicode) { base.push(part); continue; }
        if (part.length === 2) { key = part; keys[key] = ''; }
        else if (key !== null) keys[key] = keys[key] ? keys[key] + '-' + part : part;
    }
    return {base: base.join('-'), keys: keys};
}
var defaultLocaleTag;
function defaultLocale() {
    if (defaultLocaleTag === undefined) defaultLocaleTag = native.defaultLocale();
    return defaultLocaleTag;
}
function bestAvailable(service, locale) {
    for (var candidate = locale;;) {
        if (native.isAvailable(service, candidate)) return candidate;
        var at = candidate.lastIndexOf('-');
        if (at < 0) return undefined;
        if (at >= 2 && candidate.charAt(at - 2) === '-') at -= 2;
        candidate = candidate.slice(0, at);
    }
}
function supportedLocales(service, requested, options) {
    options = coerceOptions(options);
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', service);
    return requested.filter(function (locale) {
        return bestAvailable(service, splitExtension(locale).base) !== undefined;
    });
}
// The locale a service uses for a request, and the values of its relevant extension keys (from the request's
// -u- extension, overridden by options); the resolved tag keeps the keys that came from the extension.
function resolveLocale(service, requested, relevantKeys, optionValues, isValid) {
    var found, extension = create(null);
    for (var i = 0; i < requested.length && found === undefined; i++) {
        var split = splitExtension(requested[i]);
        found = bestAvailable(service, split.base);
        if (found !== undefined) extension = split.keys;
    }
    if (found === undefined) found = splitExtension(defaultLocale()).base;
    var result = {dataLocale: found}, added = '';
    relevantKeys.forEach(function (key) {
        var value;
        if (key in extension) {
            var requestedValue = extension[key] === '' ? 'true' : extension[key];
            if (isValid(key, requestedValue)) {
                value = requestedValue;
                added += '-' + key + (requestedValue === 'true' ? '' : '-' + requestedValue);
            }
        }
        var optionValue = optionValues[key];
        if (optionValue !== undefined && isValid(key, optionValue) && optionValue !== value) {
            if (value !== undefined)
                added = added.replace('-' + key + (value === 'true' ? '' : '-' + value), '');
            value = optionValue;
        }
        result[key] = value;
    });
    result.locale = found + (added ? '-u' + added : '');
    return result;
}
function icuLocale(dataLocale, keys) {
    var extension = '';
    for (var key in keys)
        if (keys[key] !== undefined) extension += '-' + key + '-' + keys[key];
    return dataLocale + (extension ? '-u' + extension : '');
}
function validNumberingSystem(value) {
    return typeSequence.test(value) && native.isSupportedValue('numberingSystem', value);
}

// ---------------------------------------------------------------------------------------------------- numbers

var sanctionedUnits = ['acre', 'bit', 'byte', 'celsius', 'centimeter', 'day', 'degree', 'fahrenheit', 'fluid-ounce',
    'foot', 'gallon', 'gigabit', 'gigabyte', 'gram', 'hectare', 'hour', 'inch', 'kilobit', 'kilobyte', 'kilogram',
    'kilometer', 'liter', 'megabit', 'megabyte', 'meter', 'microsecond', 'mile', 'mile-scandinavian', 'milliliter',
    'millimeter', 'millisecond', 'minute', 'month', 'nanosecond', 'ounce', 'percent', 'petabyte', 'pound', 'second',
    'stone', 'terabit', 'terabyte', 'week', 'yard', 'year'];
function wellFormedUnit(unit) {
    if (sanctionedUnits.indexOf(unit) >= 0) return true;
    var per = unit.indexOf('-per-');
    return per > 0 && sanctionedUnits.indexOf(unit.slice(0, per)) >= 0 && sanctionedUnits.indexOf(unit.slice(per + 5)) >= 0;
}
var roundingModes = {ceil: 'ceiling', floor: 'floor', expand: 'up', trunc: 'down', halfCeil: 'half-ceiling',
    halfFloor: 'half-floor', halfExpand: 'half-up', halfTrunc: 'half-down', halfEven: 'half-even'};
var roundingIncrements = [1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000];

// Digit options shared by NumberFormat and PluralRules; writes the resolved values into record.
function setDigitOptions(record, options, mnfdDefault, mxfdDefault, notation, service) {
    var mnid = getNumberOption(options, 'minimumIntegerDigits', 1, 21, 1);
    var mnfd = options.minimumFractionDigits, mxfd = options.maximumFractionDigits;
    var mnsd = options.minimumSignificantDigits, mxsd = options.maximumSignificantDigits;
    record.minimumIntegerDigits = mnid;
    var increment = getNumberOption(options, 'roundingIncrement', 1, 5000, 1);
    if (roundingIncrements.indexOf(increment) < 0) throw new RangeError('roundingIncrement value is out of range.');
    var mode = getOption(options, 'roundingMode', 'string', Object.keys(roundingModes), 'halfExpand', service);
    var priority = getOption(options, 'roundingPriority', 'string', ['auto', 'morePrecision', 'lessPrecision'], 'auto', service);
    var trailing = getOption(options, 'trailingZeroDisplay', 'string', ['auto', 'stripIfInteger'], 'auto', service);
    if (increment !== 1) mxfdDefault = mnfdDefault;
    record.roundingIncrement = increment;
    record.roundingMode = mode;
    record.trailingZeroDisplay = trailing;
    var hasSd = mnsd !== undefined || mxsd !== undefined, hasFd = mnfd !== undefined || mxfd !== undefined;
    var needSd = true, needFd = true;
    if (priority === 'auto') {
        needSd = hasSd;
        if (needSd || (!hasFd && notation === 'compact')) needFd = false;
    }
    if (needSd) {
        if (hasSd) {
            mnsd = defaultNumberOption(mnsd, 1, 21, 1, 'minimumSignificantDigits');
            mxsd = defaultNumberOption(mxsd, mnsd, 21, 21, 'maximumSignificantDigits');
            record.minimumSignificantDigits = mnsd;
            record.maximumSignificantDigits = mxsd;
        } else {
            record.minimumSignificantDigits = 1;
            record.maximumSignificantDigits = 21;
        }
    }
    if (needFd) {
        if (hasFd) {
            mnfd = defaultNumberOption(mnfd, 0, 100, undefined, 'minimumFractionDigits');
            mxfd = defaultNumberOption(mxfd, 0, 100, undefined, 'maximumFractionDigits');
            if (mnfd === undefined) mnfd = Math.min(mnfdDefault, mxfd);
            else if (mxfd === undefined) mxfd = Math.max(mxfdDefault, mnfd);
            else if (mnfd > mxfd) throw new RangeError('maximumFractionDigits value is out of range.');
            record.minimumFractionDigits = mnfd;
            record.maximumFractionDigits = mxfd;
        } else {
            record.minimumFractionDigits = mnfdDefault;
            record.maximumFractionDigits = mxfdDefault;
        }
    }
    if (!needSd && !needFd) {
        record.minimumFractionDigits = 0;
        record.maximumFractionDigits = 0;
        record.minimumSignificantDigits = 1;
        record.maximumSignificantDigits = 2;
        record.roundingType = 'compact';
        record.roundingPriority = 'morePrecision';
    } else if (priority === 'auto') {
        record.roundingType = needSd ? 'significantDigits' : 'fractionDigits';
        record.roundingPriority = 'auto';
    } else {
        record.roundingType = priority;
        record.roundingPriority = priority;
    }
    if (increment !== 1) {
        if (record.roundingType !== 'fractionDigits')
            throw new TypeError('For roundingIncrement, roundingType must be fractionDigits');
        if (record.maximumFractionDigits !== record.minimumFractionDigits)
            throw new RangeError('maximumFractionDigits value is out of range.');
    }
}
function repeat(text, count) { var out = ''; while (count-- > 0) out += text; return out; }
function precisionSkeleton(record) {
    var mnfd = record.minimumFractionDigits, mxfd = record.maximumFractionDigits;
    var fraction = '.' + repeat('0', mnfd) + repeat('#', mxfd - mnfd);
    var significant = repeat('@', record.minimumSignificantDigits) +
        repeat('#', record.maximumSignificantDigits - record.minimumSignificantDigits);
    var strip = record.trailingZeroDisplay === 'stripIfInteger' ? '/w' : '';
    var stem;
    switch (record.roundingType) {
    case 'compact': return strip ? ' precision-unlimited/w' : '';
    case 'significantDigits': stem = significant; break;
    case 'morePrecision': stem = fraction + '/' + significant + 'r'; break;
    case 'lessPrecision': stem = fraction + '/' + significant + 's'; break;
    default:
        if (record.roundingIncrement !== 1) {
            var digits = String(record.roundingIncrement);
            while (digits.length <= mxfd) digits = '0' + digits;
            stem = 'precision-increment/' + (mxfd ? digits.slice(0, digits.length - mxfd) + '.' + digits.slice(digits.length - mxfd) : digits);
        } else {
            stem = mxfd === 0 ? 'precision-integer' : fraction;
        }
    }
    return ' ' + stem + strip;
}
function numberSkeleton(r) {
    var s = 'rounding-mode-' + roundingModes[r.roundingMode];
    if (r.style === 'currency') {
        s += ' currency/' + r.currency + ' ' + {code: 'unit-width-iso-code', symbol: 'unit-width-short',
            narrowSymbol: 'unit-width-narrow', name: 'unit-width-full-name'}[r.currencyDisplay];
    } else if (r.style === 'percent') {
        s += ' percent scale/100';
    } else if (r.style === 'unit') {
        s += ' unit/' + r.unit + ' ' + {short: 'unit-width-short', narrow: 'unit-width-narrow', long: 'unit-width-full-name'}[r.unitDisplay];
    }
    if (r.notation === 'compact') s += r.compactDisplay === 'long' ? ' compact-long' : ' compact-short';
    else if (r.notation !== 'standard') s += ' ' + r.notation;
    s += precisionSkeleton(r);
    if (r.minimumIntegerDigits > 1) s += ' integer-width/*' + repeat('0', r.minimumIntegerDigits);
    s += ' ' + {always: 'group-on-aligned', auto: 'group-auto', min2: 'group-min2', 'false': 'group-off'}[String(r.useGrouping)];
    var accounting = r.style === 'currency' && r.currencySign === 'accounting';
    s += {auto: accounting ? ' sign-accounting' : '', never: ' sign-never',
        always: accounting ? ' sign-accounting-always' : ' sign-always',
        exceptZero: accounting ? ' sign-accounting-except-zero' : ' sign-except-zero',
        negative: accounting ? ' sign-accounting-negative' : ' sign-negative'}[r.signDisplay];
    return s;
}

// The record both number-formatting constructors start from: the locale resolved with its numbering system.
function numberingRecord(kind, locales, options) {
    var requested = canonicalizeLocaleList(locales);
    options = coerceOptions(options);
    var r = {kind: kind};
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', kind);
    var nu = getOption(options, 'numberingSystem', 'string');
    if (nu !== undefined && !typeSequence.test(nu)) throw new RangeError('Invalid numberingSystem : ' + nu);
    var resolved = resolveLocale('NumberFormat', requested, ['nu'], {nu: nu}, function (key, value) {
        return validNumberingSystem(value);
    });
    r.locale = resolved.locale;
    r.icuLocale = icuLocale(resolved.dataLocale, {nu: resolved.nu});
    r.numberingSystem = resolved.nu || native.numberingSystem(resolved.dataLocale);
    return r;
}
function initNumberFormat(self, locales, options) {
    var r = numberingRecord('NumberFormat', locales, options);
    options = coerceOptions(options);
    var style = r.style = getOption(options, 'style', 'string', ['decimal', 'percent', 'currency', 'unit'], 'decimal', 'NumberFormat');
    var currency = getOption(options, 'currency', 'string');
    if (currency !== undefined && !/^[a-zA-Z]{3}$/.test(currency)) throw new RangeError('Invalid currency code : ' + currency);
    var currencyDisplay = getOption(options, 'currencyDisplay', 'string', ['code', 'symbol', 'narrowSymbol', 'name'], 'symbol', 'NumberFormat');
    var currencySign = getOption(options, 'currencySign', 'string', ['standard', 'accounting'], 'standard', 'NumberFormat');
    var unit = getOption(options, 'unit', 'string');
    if (unit !== undefined && !wellFormedUnit(unit)) throw new RangeError("Invalid unit argument for Intl.NumberFormat() '" + unit + "'");
    var unitDisplay = getOption(options, 'unitDisplay', 'string', ['short', 'narrow', 'long'], 'short', 'NumberFormat');
    if (style === 'currency') {
        if (currency === undefined) throw new TypeError('Currency code is required with currency style.');
        r.currency = currency.toUpperCase();
        r.currencyDisplay = currencyDisplay;
        r.currencySign = currencySign;
    }
    if (style === 'unit') {
        if (unit === undefined) throw new TypeError('Invalid unit argument for Intl.NumberFormat() \'undefined\'');
        r.unit = unit;
        r.unitDisplay = unitDisplay;
    }
    var notation = getOption(options, 'notation', 'string', ['standard', 'scientific', 'engineering', 'compact'], 'standard', 'NumberFormat');
    var mnfdDefault = 0, mxfdDefault = style === 'percent' ? 0 : 3;
    if (style === 'currency')
        mnfdDefault = mxfdDefault = native.currencyDigits(r.currency);
    setDigitOptions(r, options, mnfdDefault, mxfdDefault, notation, 'NumberFormat');
    r.notation = notation;
    var compactDisplay = getOption(options, 'compactDisplay', 'string', ['short', 'long'], 'short', 'NumberFormat');
    if (notation === 'compact') r.compactDisplay = compactDisplay;
    var grouping = options.useGrouping, defaultGrouping = notation === 'compact' ? 'min2' : 'auto';
    if (grouping === undefined) grouping = defaultGrouping;
    else if (grouping === true) grouping = 'always';
    else if (!grouping) grouping = false;
    else {
        grouping = String(grouping);
        if (grouping === 'true' || grouping === 'false') grouping = defaultGrouping;
        else if (['min2', 'auto', 'always'].indexOf(grouping) < 0)
            throw new RangeError('Value ' + grouping + ' out of range for Intl.NumberFormat options property useGrouping');
    }
    r.useGrouping = grouping;
    r.signDisplay = getOption(options, 'signDisplay', 'string', ['auto', 'never', 'always', 'exceptZero', 'negative'], 'auto', 'NumberFormat');
    r.skeleton = numberSkeleton(r);
    return setSlot(self, r);
}
var numberOptionOrder = ['locale', 'numberingSystem', 'style', 'currency', 'currencyDisplay', 'currencySign', 'unit',
    'unitDisplay', 'minimumIntegerDigits', 'minimumSignificantDigits', 'maximumSignificantDigits',
    'minimumFractionDigits', 'maximumFractionDigits', 'useGrouping', 'notation', 'compactDisplay', 'signDisplay',
    'roundingMode', 'roundingIncrement', 'trailingZeroDisplay', 'roundingPriority'];
function pick(record, order) {
    var out = {};
    order.forEach(function (key) { if (record[key] !== undefined) out[key] = record[key]; });
    return out;
}

// A value to format: a Number, or a decimal string kept exact.
var decimalLiteral = /^[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:e[+-]?[0-9]+)?$/i;
var whitespace = /^[\s\uFEFF\xA0]+|[\s\uFEFF\xA0]+$/g;
function toPrimitiveNumber(value) {
    if (typeof value !== 'object' && typeof value !== 'function' || value === null) return value;
    var exotic = value[toPrimitiveSymbol];
    if (exotic !== undefined && exotic !== null) {
        var result = call.call(exotic, value, 'number');
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
}
function mathematicalValue(value) {
    var primitive = toPrimitiveNumber(value);
    if (typeof primitive !== 'string') return Number(primitive);
    var text = primitive.replace(whitespace, '');
    if (text === '') return 0;
    if (decimalLiteral.test(text)) {
        var number = Number(text);
        if (!isFinite(number)) return number;
        // Within double precision, the double is the value; beyond it the digits are kept.
        if (isFinite(number) && String(number) === text.replace(/^\+/, '')) return number;
        return text.charAt(0) === '+' ? text.slice(1) : text;
    }
    return Number(text);
}
function partsObjects(parts, extra) {
    var out = [];
    for (var i = 1, begin = 0; i + 2 < parts.length + 1; i += 3) {
        var part = {type: parts[i], value: parts[0].slice(begin, parts[i + 1])};
        if (parts[i + 2]) part.source = parts[i + 2];
        if (extra && part.type !== 'literal') for (var key in extra) part[key] = extra[key];
        out.push(part);
        begin = parts[i + 1];
    }
    return out;
}
function numberParts(r, x) {
    var parts = typeof x === 'string' ? native.formatNumberParts(r.icuLocale, r.skeleton, 0, x)
        : native.formatNumberParts(r.icuLocale, r.skeleton, x, '');
    if (!parts.length) throw new RangeError('Invalid number format');
    return parts;
}
function formatNumber(r, x) {
    if (typeof x === 'number') return native.formatNumber(r.icuLocale, r.skeleton, x);
    return numberParts(r, x)[0];
}
function rangeValues(start, end) {
    if (start === undefined || end === undefined) throw new TypeError('start or end is undefined');
    var x = mathematicalValue(start), y = mathematicalValue(end);
    if (x !== x || y !== y) throw new RangeError('Invalid start or end');
    return [x, y];
}
function decimalText(x) { return typeof x === 'string' ? x : (x === 0 && 1 / x < 0 ? '-0' : String(x)); }
function numberRangeParts(r, x, y) {
    var negative = function (v) { return typeof v === 'string' ? v.charAt(0) === '-' : v < 0 || (v === 0 && 1 / v < 0); };
    var parts = native.formatNumberRange(r.icuLocale, r.skeleton, decimalText(x), decimalText(y), negative(x), negative(y));
    if (!parts.length) throw new RangeError('Invalid number range');
    return parts;
}

var NumberFormat = makeClass('NumberFormat', initNumberFormat, 0, true);
method(NumberFormat.prototype, 'resolvedOptions', function resolvedOptions() {
    return pick(slotOf(this, 'NumberFormat', 'resolvedOptions'), numberOptionOrder);
});
method(NumberFormat.prototype, 'formatToParts', function formatToParts(value) {
    return partsObjects(numberParts(slotOf(this, 'NumberFormat', 'formatToParts'), mathematicalValue(value)));
}, 1);
getter(NumberFormat.prototype, 'format', function () {
    var r = slotOf(this, 'NumberFormat', 'format');
    if (!r.bound) {
        r.bound = function (value) { return formatNumber(r, mathematicalValue(value)); };
        defineProperty(r.bound, 'name', {value: ''});
    }
    return r.bound;
});
method(NumberFormat.prototype, 'formatRange', function formatRange(start, end) {
    var r = slotOf(this, 'NumberFormat', 'formatRange'), values = rangeValues(start, end);
    return numberRangeParts(r, values[0], values[1])[0];
}, 2);
method(NumberFormat.prototype, 'formatRangeToParts', function formatRangeToParts(start, end) {
    var r = slotOf(this, 'NumberFormat', 'formatRangeToParts'), values = rangeValues(start, end);
    return partsObjects(numberRangeParts(r, values[0], values[1]));
}, 2);

// ---------------------------------------------------------------------------------------------------- plural rules

function initPluralRules(self, locales, options) {
    var requested = canonicalizeLocaleList(locales);
    options = coerceOptions(options);
    var r = {kind: 'PluralRules'};
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', 'PluralRules');
    r.type = getOption(options, 'type', 'string', ['cardinal', 'ordinal'], 'cardinal', 'PluralRules');
    setDigitOptions(r, options, 0, 3, 'standard', 'PluralRules');
    var resolved = resolveLocale('PluralRules', requested, [], {});
    r.locale = resolved.locale;
    r.icuLocale = resolved.dataLocale;
    r.useGrouping = false; r.signDisplay = 'auto'; r.notation = 'standard'; r.style = 'decimal';
    r.skeleton = numberSkeleton(r);
    return setSlot(self, r);
}
var PluralRules = makeClass('PluralRules', initPluralRules, 0);
method(PluralRules.prototype, 'resolvedOptions', function resolvedOptions() {
    var r = slotOf(this, 'PluralRules', 'resolvedOptions');
    var out = pick(r, ['locale', 'type', 'minimumIntegerDigits', 'minimumFractionDigits', 'maximumFractionDigits',
        'minimumSignificantDigits', 'maximumSignificantDigits']);
    out.pluralCategories = native.pluralCategories(r.icuLocale, r.type === 'ordinal');
    return out;
});
method(PluralRules.prototype, 'select', function select(value) {
    var r = slotOf(this, 'PluralRules', 'select');
    return native.pluralSelect(r.icuLocale, r.type === 'ordinal', r.skeleton, Number(value));
}, 1);
method(PluralRules.prototype, 'selectRange', function selectRange(start, end) {
    var r = slotOf(this, 'PluralRules', 'selectRange');
    if (start === undefined || end === undefined) throw new TypeError('start or end is undefined');
    var x = Number(start), y = Number(end);
    if (x !== x || y !== y) throw new RangeError('Invalid start or end');
    return native.pluralSelectRange(r.icuLocale, r.type === 'ordinal', r.skeleton, x, y);
}, 2);

// ---------------------------------------------------------------------------------------------------- dates

var dateComponents = [
    ['weekday', ['narrow', 'short', 'long'], {narrow: 'EEEEE', short: 'EEE', long: 'EEEE'}],
    ['era', ['narrow', 'short', 'long'], {narrow: 'GGGGG', short: 'GGG', long: 'GGGG'}],
    ['year', ['2-digit', 'numeric'], {'2-digit': 'yy', numeric: 'y'}],
    ['month', ['2-digit', 'numeric', 'narrow', 'short', 'long'], {'2-digit': 'MM', numeric: 'M', narrow: 'MMMMM', short: 'MMM', long: 'MMMM'}],
    ['day', ['2-digit', 'numeric'], {'2-digit': 'dd', numeric: 'd'}],
    ['dayPeriod', ['narrow', 'short', 'long'], {narrow: 'BBBBB', short: 'B', long: 'BBBB'}],
    ['hour', ['2-digit', 'numeric'], null],
    ['minute', ['2-digit', 'numeric'], {'2-digit': 'mm', numeric: 'm'}],
    ['second', ['2-digit', 'numeric'], {'2-digit': 'ss', numeric: 's'}],
    ['fractionalSecondDigits', null, null],
    ['timeZoneName', ['short', 'long', 'shortOffset', 'longOffset', 'shortGeneric', 'longGeneric'],
        {short: 'z', long: 'zzzz', shortOffset: 'O', longOffset: 'OOOO', shortGeneric: 'v', longGeneric: 'vvvv'}]];
var hourLetters = {h11: 'K', h12: 'h', h23: 'H', h24: 'k'};
var styles = ['full', 'long', 'medium', 'short'];
var defaultZone;

// What a pattern shows, as resolvedOptions reports it.
function patternFields(pattern, out) {
    for (var i = 0; i < pattern.length;) {
        var c = pattern.charAt(i);
        if (c === "'") {
            var close = pattern.indexOf("'", i + 1);
            i = close < 0 ? pattern.length : close + 1;
            continue;
        }
        var n = 1;
        while (pattern.charAt(i + n) === c) n++;
        i += n;
        var width = n === 5 ? 'narrow' : n === 4 ? 'long' : 'short';
        var digits = n === 2 ? '2-digit' : 'numeric';
        switch (c) {
        case 'G': if (n >= 3) out.era = width; break;
        case 'y': case 'u': case 'U': case 'r': out.year = digits; break;
        case 'M': case 'L': out.month = n >= 3 ? width : digits; break;
        case 'E': case 'c': case 'e': if (n >= 3) out.weekday = width; break;
        case 'd': out.day = digits; break;
        case 'B': case 'b': out.dayPeriod = width; break;
        case 'h': out.hourCycle = 'h12'; out.hour = digits; break;
        case 'H': out.hourCycle = 'h23'; out.hour = digits; break;
        case 'K': out.hourCycle = 'h11'; out.hour = digits; break;
        case 'k': out.hourCycle = 'h24'; out.hour = digits; break;
        case 'm': out.minute = digits; break;
        case 's': out.second = digits; break;
        case 'S': out.fractionalSecondDigits = n; break;
        case 'z': out.timeZoneName = n === 4 ? 'long' : 'short'; break;
        case 'O': out.timeZoneName = n === 4 ? 'longOffset' : 'shortOffset'; break;
        case 'v': out.timeZoneName = n === 4 ? 'longGeneric' : 'shortGeneric'; break;
        }
    }
    return out;
}

function initDateTimeFormat(self, locales, options, required, defaults) {
    var requested = canonicalizeLocaleList(locales);
    options = coerceOptions(options);
    var r = {kind: 'DateTimeFormat'};
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', 'DateTimeFormat');
    var calendar = getOption(options, 'calendar', 'string');
    if (calendar !== undefined && !typeSequence.test(calendar)) throw new RangeError('Invalid calendar : ' + calendar);
    var nu = getOption(options, 'numberingSystem', 'string');
    if (nu !== undefined && !typeSequence.test(nu)) throw new RangeError('Invalid numberingSystem : ' + nu);
    var hour12 = getOption(options, 'hour12', 'boolean');
    var hourCycle = getOption(options, 'hourCycle', 'string', ['h11', 'h12', 'h23', 'h24'], undefined, 'DateTimeFormat');
    if (hour12 !== undefined) hourCycle = null;
    var resolved = resolveLocale('DateTimeFormat', requested, ['ca', 'hc', 'nu'],
        {ca: calendar === undefined ? undefined : calendar.toLowerCase(), hc: hourCycle || undefined, nu: nu},
        function (key, value) {
            if (key === 'nu') return validNumberingSystem(value);
            if (key === 'hc') return hourLetters[value] !== undefined;
            return typeSequence.test(value) && native.isSupportedValue('calendar', value);
        });
    var zone = options.timeZone;
    if (zone === undefined) {
        if (defaultZone === undefined) defaultZone = native.defaultTimeZone();
        zone = defaultZone;
    } else {
        var name = String(zone);
        zone = native.canonicalTimeZone(name);
        if (!zone) throw new RangeError('Invalid time zone specified: ' + name);
    }
    var chosen = create(null), any = false;
    dateComponents.forEach(function (component) {
        var value;
        if (component[0] === 'fractionalSecondDigits') value = getNumberOption(options, 'fractionalSecondDigits', 1, 3, undefined);
        else value = getOption(options, component[0], 'string', component[1], undefined, 'DateTimeFormat');
        chosen[component[0]] = value;
        if (value !== undefined && component[0] !== 'timeZoneName') any = true;
    });
    getOption(options, 'formatMatcher', 'string', ['basic', 'best fit'], 'best fit', 'DateTimeFormat');
    var dateStyle = getOption(options, 'dateStyle', 'string', styles, undefined, 'DateTimeFormat');
    var timeStyle = getOption(options, 'timeStyle', 'string', styles, undefined, 'DateTimeFormat');
    if ((dateStyle !== undefined || timeStyle !== undefined) && (any || chosen.timeZoneName !== undefined))
        throw new TypeError("Can't set option " + (dateStyle !== undefined ? 'dateStyle' : 'timeStyle') + ' when ' +
            'other date time components are set');
    if (required === 'date' && timeStyle !== undefined)
        throw new TypeError('Invalid option : timeStyle');
    if (required === 'time' && dateStyle !== undefined)
        throw new TypeError('Invalid option : dateStyle');
    if (dateStyle === undefined && timeStyle === undefined) {
        var needDefaults = true;
        if (required !== 'time' && (chosen.weekday || chosen.year || chosen.month || chosen.day)) needDefaults = false;
        if (required !== 'date' && (chosen.dayPeriod || chosen.hour || chosen.minute || chosen.second || chosen.fractionalSecondDigits)) needDefaults = false;
        if (needDefaults && (defaults === 'date' || defaults === 'all')) chosen.year = chosen.month = chosen.day = 'numeric';
        if (needDefaults && (defaults === 'time' || defaults === 'all')) chosen.hour = chosen.minute = chosen.second = 'numeric';
    }
    var dataLocale = resolved.dataLocale;
    r.locale = resolved.locale;
    var calendars = native.supportedValues('calendar', dataLocale);
    r.calendar = resolved.ca || calendars[0] || 'gregory';
    r.numberingSystem = resolved.nu || native.numberingSystem(dataLocale);
    r.timeZone = zone;
    r.icuLocale = icuLocale(dataLocale, {ca: resolved.ca, nu: resolved.nu});
    // The hour cycle: hour12 picks the locale's 12- or 24-hour cycle, else hourCycle or the -u-hc keyword.
    var hcDefault = native.defaultHourCycle(r.icuLocale), hc = hourCycle === null ? undefined : resolved.hc;
    if (hour12 !== undefined) {
        var elevenOrTwentyThree = hcDefault === 'h11' || hcDefault === 'h23';
        hc = hour12 ? (elevenOrTwentyThree ? 'h11' : 'h12') : (elevenOrTwentyThree ? 'h23' : 'h24');
    }
    if (dateStyle !== undefined || timeStyle !== undefined) {
        r.pattern = native.datePattern(r.icuLocale, '', dateStyle === undefined ? -1 : styles.indexOf(dateStyle),
            timeStyle === undefined ? -1 : styles.indexOf(timeStyle), hc || '');
        r.dateStyle = dateStyle;
        r.timeStyle = timeStyle;
    } else {
        if (chosen.hour !== undefined && !hc) hc = hcDefault;
        var skeleton = '';
        dateComponents.forEach(function (component) {
            var value = chosen[component[0]];
            if (value === undefined) return;
            if (component[0] === 'hour') skeleton += (hc ? hourLetters[hc] : 'j') + (value === '2-digit' ? (hc ? hourLetters[hc] : 'j') : '');
            else if (component[0] === 'fractionalSecondDigits') skeleton += repeat('S', value);
            else skeleton += component[2][value];
        });
        r.pattern = native.datePattern(r.icuLocale, skeleton, -1, -1, hc || '');
    }
    if (!r.pattern) throw new RangeError('Invalid date format');
    r.shown = patternFields(r.pattern, {});
    return setSlot(self, r);
}
var dateOptionOrder = ['locale', 'calendar', 'numberingSystem', 'timeZone', 'hourCycle', 'hour12', 'weekday', 'era',
    'year', 'month', 'day', 'dayPeriod', 'hour', 'minute', 'second', 'fractionalSecondDigits', 'timeZoneName'];
function dateValue(date) {
    var x = date === undefined ? dateNow() : Number(date);
    if (!isFinite(x) || Math.abs(x) > 8.64e15) throw new RangeError('Invalid time value');
    return x < 0 ? -floor(-x) : floor(x);
}
// Browsers write a plain space where newer locale data puts a narrow no-break space (before AM and PM) in a formatted
// date, though not in its parts nor in ranges: pages and scripts that parse dates broke on it.
function plainSpaces(text) { return text.indexOf('\u202f') < 0 ? text : text.replace(/\u202f/g, ' '); }
function formatDate(r, x) { return plainSpaces(native.formatDate(r.icuLocale, r.pattern, r.timeZone, x)); }
function dateRangeParts(r, start, end) {
    if (start === undefined || end === undefined) throw new TypeError('startDate or endDate is undefined');
    var parts = native.formatDateRange(r.icuLocale, r.pattern, r.timeZone, dateValue(start), dateValue(end));
    if (!parts.length) throw new RangeError('Invalid time value');
    return parts;
}
var DateTimeFormat = makeClass('DateTimeFormat', function (self, locales, options) {
    initDateTimeFormat(self, locales, options, 'any', 'date');
}, 0, true);
method(DateTimeFormat.prototype, 'resolvedOptions', function resolvedOptions() {
    var r = slotOf(this, 'DateTimeFormat', 'resolvedOptions');
    var out = pick(r, ['locale', 'calendar', 'numberingSystem', 'timeZone']);
    var shown = r.shown;
    if (shown.hour !== undefined) {
        out.hourCycle = shown.hourCycle;
        out.hour12 = shown.hourCycle === 'h11' || shown.hourCycle === 'h12';
    }
    if (r.dateStyle === undefined && r.timeStyle === undefined) {
        dateOptionOrder.slice(6).forEach(function (key) { if (shown[key] !== undefined) out[key] = shown[key]; });
    } else {
        if (r.dateStyle !== undefined) out.dateStyle = r.dateStyle;
        if (r.timeStyle !== undefined) out.timeStyle = r.timeStyle;
    }
    return out;
});
method(DateTimeFormat.prototype, 'formatToParts', function formatToParts(date) {
    var r = slotOf(this, 'DateTimeFormat', 'formatToParts');
    return partsObjects(native.formatDateParts(r.icuLocale, r.pattern, r.timeZone, dateValue(date)));
}, 1);
getter(DateTimeFormat.prototype, 'format', function () {
    var r = slotOf(this, 'DateTimeFormat', 'format');
    if (!r.bound) {
        r.bound = function (date) { return formatDate(r, dateValue(date)); };
        defineProperty(r.bound, 'name', {value: ''});
    }
    return r.bound;
});
method(DateTimeFormat.prototype, 'formatRange', function formatRange(start, end) {
    return dateRangeParts(slotOf(this, 'DateTimeFormat', 'formatRange'), start, end)[0];
}, 2);
method(DateTimeFormat.prototype, 'formatRangeToParts', function formatRangeToParts(start, end) {
    return partsObjects(dateRangeParts(slotOf(this, 'DateTimeFormat', 'formatRangeToParts'), start, end));
}, 2);

// ---------------------------------------------------------------------------------------------------- collation

function initCollator(self, locales, options) {
    var requested = canonicalizeLocaleList(locales);
    options = coerceOptions(options);
    var r = {kind: 'Collator'};
    r.usage = getOption(options, 'usage', 'string', ['sort', 'search'], 'sort', 'Collator');
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', 'Collator');
    var collation = getOption(options, 'collation', 'string');
    if (collation !== undefined && !typeSequence.test(collation)) throw new RangeError('Invalid collation : ' + collation);
    var numeric = getOption(options, 'numeric', 'boolean');
    var caseFirst = getOption(options, 'caseFirst', 'string', ['upper', 'lower', 'false'], undefined, 'Collator');
    var resolved = resolveLocale('Collator', requested, ['co', 'kf', 'kn'],
        {co: collation, kn: numeric === undefined ? undefined : String(numeric), kf: caseFirst},
        function (key, value) {
            if (key === 'kn') return value === 'true' || value === 'false';
            if (key === 'kf') return ['upper', 'lower', 'false'].indexOf(value) >= 0;
            return value !== 'standard' && value !== 'search' && native.isSupportedValue('collation', value);
        });
    var sensitivity = getOption(options, 'sensitivity', 'string', ['base', 'accent', 'case', 'variant'], undefined, 'Collator');
    var ignorePunctuation = getOption(options, 'ignorePunctuation', 'boolean');
    r.locale = resolved.locale;
    r.collation = resolved.co || 'default';
    r.icuLocale = icuLocale(resolved.dataLocale, {co: resolved.co});
    r.settings = [r.usage, sensitivity === undefined ? (r.usage === 'sort' ? 'variant' : '') : sensitivity,
        ignorePunctuation === undefined ? '' : String(ignorePunctuation),
        resolved.kn === undefined ? '' : resolved.kn, resolved.kf || ''].join('|');
    var actual = native.collatorSettings(r.icuLocale, r.settings);
    r.sensitivity = actual[0] || 'variant';
    r.ignorePunctuation = actual[1] || false;
    r.numeric = actual[2] || false;
    r.caseFirst = actual[3] || 'false';
    return setSlot(self, r);
}
var Collator = makeClass('Collator', initCollator, 0, true);
method(Collator.prototype, 'resolvedOptions', function resolvedOptions() {
    return pick(slotOf(this, 'Collator', 'resolvedOptions'),
        ['locale', 'usage', 'sensitivity', 'ignorePunctuation', 'collation', 'numeric', 'caseFirst']);
});
getter(Collator.prototype, 'compare', function () {
    var r = slotOf(this, 'Collator', 'compare');
    if (!r.bound) {
        r.bound = function (x, y) { return native.compare(r.icuLocale, r.settings, String(x), String(y)); };
        defineProperty(r.bound, 'name', {value: ''});
    }
    return r.bound;
});

// ---------------------------------------------------------------------------------------------------- relative time

function initRelativeTimeFormat(self, locales, options) {
    var r = numberingRecord('RelativeTimeFormat', locales, options);
    options = coerceOptions(options);
    r.style = getOption(options, 'style', 'string', ['long', 'short', 'narrow'], 'long', 'RelativeTimeFormat');
    r.numeric = getOption(options, 'numeric', 'string', ['always', 'auto'], 'always', 'RelativeTimeFormat');
    return setSlot(self, r);
}
var relativeUnits = ['year', 'quarter', 'month', 'week', 'day', 'hour', 'minute', 'second'];
function relativeParts(r, value, unit) {
    value = Number(value);
    unit = String(unit);
    var singular = relativeUnits.indexOf(unit) >= 0 ? unit
        : relativeUnits.indexOf(unit.slice(0, -1)) >= 0 && unit.slice(-1) === 's' ? unit.slice(0, -1) : '';
    if (!singular) throw new RangeError('Invalid unit argument for format() \'' + unit + '\'');
    if (!isFinite(value)) throw new RangeError('Invalid value for format()');
    return {parts: native.formatRelative(r.icuLocale, r.style, r.numeric === 'always', value, singular), unit: singular};
}
var RelativeTimeFormat = makeClass('RelativeTimeFormat', initRelativeTimeFormat, 0);
method(RelativeTimeFormat.prototype, 'resolvedOptions', function resolvedOptions() {
    return pick(slotOf(this, 'RelativeTimeFormat', 'resolvedOptions'), ['locale', 'style', 'numeric', 'numberingSystem']);
});
method(RelativeTimeFormat.prototype, 'format', function format(value, unit) {
    return relativeParts(slotOf(this, 'RelativeTimeFormat', 'format'), value, unit).parts[0];
}, 2);
method(RelativeTimeFormat.prototype, 'formatToParts', function formatToParts(value, unit) {
    var result = relativeParts(slotOf(this, 'RelativeTimeFormat', 'formatToParts'), value, unit);
    return partsObjects(result.parts, {unit: result.unit});
}, 2);

// ---------------------------------------------------------------------------------------------------- lists

function initListFormat(self, locales, options) {
    var requested = canonicalizeLocaleList(locales);
    options = getOptionsObject(options);
    var r = {kind: 'ListFormat'};
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', 'ListFormat');
    r.locale = resolveLocale('ListFormat', requested, [], {}).locale;
    r.type = getOption(options, 'type', 'string', ['conjunction', 'disjunction', 'unit'], 'conjunction', 'ListFormat');
    r.style = getOption(options, 'style', 'string', ['long', 'short', 'narrow'], 'long', 'ListFormat');
    return setSlot(self, r);
}
function stringList(iterable) {
    var list = [];
    if (iterable === undefined) return list;
    var iterator = iterable[iteratorSymbol]();
    for (var step = iterator.next(); !step.done; step = iterator.next()) {
        if (typeof step.value !== 'string') {
            if (typeof iterator['return'] === 'function') iterator['return']();
            throw new TypeError('Iterable yielded ' + describe(step.value) + ' which is not a string');
        }
        list.push(step.value);
    }
    return list;
}
var ListFormat = makeClass('ListFormat', initListFormat, 0);
method(ListFormat.prototype, 'resolvedOptions', function resolvedOptions() {
    return pick(slotOf(this, 'ListFormat', 'resolvedOptions'), ['locale', 'type', 'style']);
});
method(ListFormat.prototype, 'format', function format(list) {
    var r = slotOf(this, 'ListFormat', 'format');
    return native.formatList(r.locale, r.type, r.style, stringList(list))[0];
}, 1);
method(ListFormat.prototype, 'formatToParts', function formatToParts(list) {
    var r = slotOf(this, 'ListFormat', 'formatToParts');
    return partsObjects(native.formatList(r.locale, r.type, r.style, stringList(list)));
}, 1);

// ---------------------------------------------------------------------------------------------------- display names

var displayCodes = {
    language: /^(?:[a-z]{2,3}|[a-z]{5,8})(?:-[a-z]{4})?(?:-(?:[a-z]{2}|[0-9]{3}))?(?:-(?:[a-z0-9]{5,8}|[0-9][a-z0-9]{3}))*$/i,
    region: /^(?:[a-z]{2}|[0-9]{3})$/i, script: /^[a-z]{4}$/i, currency: /^[a-z]{3}$/i, calendar: typeSequence,
    dateTimeField: /^(?:era|year|quarter|month|weekOfYear|weekday|day|dayPeriod|hour|minute|second|timeZoneName)$/};
function initDisplayNames(self, locales, options) {
    var requested = canonicalizeLocaleList(locales);
    options = getOptionsObject(options);
    var r = {kind: 'DisplayNames'};
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', 'DisplayNames');
    r.style = getOption(options, 'style', 'string', ['narrow', 'short', 'long'], 'long', 'DisplayNames');
    r.type = getOption(options, 'type', 'string', Object.keys(displayCodes), undefined, 'DisplayNames');
    if (r.type === undefined) throw new TypeError('Required option type is missing');
    r.fallback = getOption(options, 'fallback', 'string', ['code', 'none'], 'code', 'DisplayNames');
    var languageDisplay = getOption(options, 'languageDisplay', 'string', ['dialect', 'standard'], 'dialect', 'DisplayNames');
    r.locale = resolveLocale('DisplayNames', requested, [], {}).locale;
    if (r.type === 'language') r.languageDisplay = languageDisplay;
    return setSlot(self, r);
}
var DisplayNames = makeClass('DisplayNames', initDisplayNames, 2);
method(DisplayNames.prototype, 'resolvedOptions', function resolvedOptions() {
    return pick(slotOf(this, 'DisplayNames', 'resolvedOptions'), ['locale', 'style', 'type', 'fallback', 'languageDisplay']);
});
method(DisplayNames.prototype, 'of', function of(code) {
    var r = slotOf(this, 'DisplayNames', 'of');
    code = String(code);
    if (!displayCodes[r.type].test(code))
        throw new RangeError('invalid_argument');
    if (r.type === 'language') code = canonicalizeTag(code);
    if (r.type === 'calendar') code = code.toLowerCase();
    var name = native.displayName(r.locale, r.type, r.style, r.fallback === 'code', r.languageDisplay !== 'standard', code);
    return name === null ? undefined : name;
}, 1);

// ---------------------------------------------------------------------------------------------------- segmentation

function initSegmenter(self, locales, options) {
    var requested = canonicalizeLocaleList(locales);
    options = getOptionsObject(options);
    var r = {kind: 'Segmenter'};
    getOption(options, 'localeMatcher', 'string', ['lookup', 'best fit'], 'best fit', 'Segmenter');
    r.locale = resolveLocale('Segmenter', requested, [], {}).locale;
    r.granularity = getOption(options, 'granularity', 'string', ['grapheme', 'word', 'sentence'], 'grapheme', 'Segmenter');
    return setSlot(self, r);
}
var segmentsPrototype = {}, segmentIteratorPrototype = create(getPrototypeOf(getPrototypeOf([][iteratorSymbol]())));
function segmentData(s, index) {
    var boundaries = s.boundaries, begin = 0;
    for (var i = 0; i < boundaries.length; i += 2) {
        if (index < boundaries[i]) {
            var data = {segment: s.input.slice(begin, boundaries[i]), index: begin, input: s.input};
            if (s.granularity === 'word') data.isWordLike = boundaries[i + 1];
            return data;
        }
        begin = boundaries[i];
    }
    return undefined;
}
method(segmentsPrototype, 'containing', function containing(index) {
    var s = slotOf(this, 'Segments', 'containing');
    var n = Number(index);
    n = n !== n ? 0 : n < 0 ? Math.ceil(n) : floor(n);
    if (n < 0 || n >= s.input.length) return undefined;
    return segmentData(s, n);
}, 1);
method(segmentsPrototype, iteratorSymbol, function () {
    var s = slotOf(this, 'Segments', '[Symbol.iterator]');
    return setSlot(create(segmentIteratorPrototype), {kind: 'Segment Iterator', segments: s, position: 0});
});
defineProperty(segmentsPrototype[iteratorSymbol], 'name', {value: '[Symbol.iterator]'});
method(segmentIteratorPrototype, 'next', function next() {
    var it = slotOf(this, 'Segment Iterator', 'next');
    if (it.position >= it.segments.input.length) return {value: undefined, done: true};
    var data = segmentData(it.segments, it.position);
    it.position = data.index + data.segment.length;
    return {value: data, done: false};
});
defineProperty(segmentIteratorPrototype, toStringTag, {value: 'Segmenter String Iterator', configurable: true});
var Segmenter = makeClass('Segmenter', initSegmenter, 0);
method(Segmenter.prototype, 'resolvedOptions', function resolvedOptions() {
    return pick(slotOf(this, 'Segmenter', 'resolvedOptions'), ['locale', 'granularity']);
});
method(Segmenter.prototype, 'segment', function segment(string) {
    var r = slotOf(this, 'Segmenter', 'segment');
    var input = String(string);
    return setSlot(create(segmentsPrototype), {kind: 'Segments', input: input, granularity: r.granularity,
        boundaries: native.segment(r.locale, r.granularity, input)});
}, 1);

// ---------------------------------------------------------------------------------------------------- Locale

var localeKeys = [['calendar', 'ca'], ['caseFirst', 'kf'], ['collation', 'co'], ['hourCycle', 'hc'],
    ['numeric', 'kn'], ['numberingSystem', 'nu']];
function initLocale(self, tag, options) {
    if (typeof tag !== 'string' && (typeof tag !== 'object' || tag === null))
        throw new TypeError('First argument to Intl.Locale constructor can\'t be empty or missing');
    tag = isLocale(tag) ? slotOf(tag, 'Locale', 'toString').tag : String(tag);
    options = coerceOptions(options);
    tag = canonicalizeTag(tag);
    var split = splitExtension(tag), base = split.base.split('-x-')[0], rest = split.base.slice(base.length);
    var subtags = base.split('-'), language = subtags[0], script, region, variants = [];
    for (var i = 1; i < subtags.length; i++) {
        if (i === 1 && /^[a-z]{4}$/i.test(subtags[i])) script = subtags[i];
        else if (region === undefined && variants.length === 0 && /^(?:[a-z]{2}|[0-9]{3})$/i.test(subtags[i])) region = subtags[i];
        else variants.push(subtags[i]);
    }
    var value = getOption(options, 'language', 'string');
    if (value !== undefined) { if (!/^(?:[a-z]{2,3}|[a-z]{5,8})$/i.test(value)) throw new RangeError('Incorrect locale information provided'); language = value; }
    value = getOption(options, 'script', 'string');
    if (value !== undefined) { if (!/^[a-z]{4}$/i.test(value)) throw new RangeError('Incorrect locale information provided'); script = value; }
    value = getOption(options, 'region', 'string');
    if (value !== undefined) { if (!/^(?:[a-z]{2}|[0-9]{3})$/i.test(value)) throw new RangeError('Incorrect locale information provided'); region = value; }
    var keys = split.keys;
    var optionValues = {
        ca: getOption(options, 'calendar', 'string'), co: getOption(options, 'collation', 'string'),
        hc: getOption(options, 'hourCycle', 'string', ['h11', 'h12', 'h23', 'h24'], undefined, 'Locale'),
        kf: getOption(options, 'caseFirst', 'string', ['upper', 'lower', 'false'], undefined, 'Locale'),
        kn: options.numeric === undefined ? undefined : String(Boolean(options.numeric)),
        nu: getOption(options, 'numberingSystem', 'string')};
    ['ca', 'co', 'nu'].forEach(function (key) {
        if (optionValues[key] !== undefined && !typeSequence.test(optionValues[key]))
            throw new RangeError('Incorrect locale information provided');
    });
    for (var key in optionValues) if (optionValues[key] !== undefined) keys[key] = optionValues[key];
    var extension = '';
    Object.keys(keys).sort().forEach(function (k) {
        extension += '-' + k + (keys[k] === '' || keys[k] === 'true' ? '' : '-' + keys[k]);
    });
    var full = [language].concat(script ? [script] : [], region ? [region] : [], variants).join('-');
    if (extension) {
        // Other extensions sort around the -u- one by their singleton.
        full += '-u' + extension;
    }
    full = canonicalizeTag(full + rest);
    setSlot(self, {kind: 'Locale', tag: full});
}
var Locale = makeClass('Locale', initLocale, 1);
function localeParts(self, name) {
    var r = slotOf(self, 'Locale', name);
    if (!r.parts) {
        var split = splitExtension(r.tag), base = split.base.split(/-[0-9a-wyz]-|-x-/)[0];
        var subtags = base.split('-'), parts = {baseName: base, language: subtags[0], keys: split.keys};
        for (var i = 1; i < subtags.length; i++) {
            if (i === 1 && subtags[i].length === 4) parts.script = subtags[i];
            else if (parts.region === undefined && (subtags[i].length === 2 || /^[0-9]{3}$/.test(subtags[i]))) parts.region = subtags[i];
        }
        r.parts = parts;
    }
    return r.parts;
}
method(Locale.prototype, 'toString', function toString() { return slotOf(this, 'Locale', 'toString').tag; });
method(Locale.prototype, 'maximize', function maximize() {
    return new Locale(native.likelySubtags(slotOf(this, 'Locale', 'maximize').tag, true));
});
method(Locale.prototype, 'minimize', function minimize() {
    return new Locale(native.likelySubtags(slotOf(this, 'Locale', 'minimize').tag, false));
});
['language', 'script', 'region', 'baseName'].forEach(function (name) {
    getter(Locale.prototype, name, function () { return localeParts(this, name)[name]; });
});
localeKeys.forEach(function (pair) {
    getter(Locale.prototype, pair[0], function () {
        var value = localeParts(this, pair[0]).keys[pair[1]];
        if (pair[1] === 'kn') return value === undefined ? false : value === '' || value === 'true';
        return value === '' ? undefined : value;
    });
});
getter(Locale.prototype, 'calendars', function () {
    var parts = localeParts(this, 'calendars');
    return parts.keys.ca ? [parts.keys.ca] : native.supportedValues('calendar', this.toString());
});
getter(Locale.prototype, 'collations', function () {
    var parts = localeParts(this, 'collations');
    if (parts.keys.co) return [parts.keys.co];
    return native.supportedValues('collation', this.toString()).filter(function (c) {
        return c !== 'standard' && c !== 'search';
    }).sort();
});
getter(Locale.prototype, 'hourCycles', function () {
    var parts = localeParts(this, 'hourCycles');
    return [parts.keys.hc || native.defaultHourCycle(this.toString())];
});
getter(Locale.prototype, 'numberingSystems', function () {
    var parts = localeParts(this, 'numberingSystems');
    return [parts.keys.nu || native.numberingSystem(this.toString())];
});
getter(Locale.prototype, 'textInfo', function () {
    localeParts(this, 'textInfo');
    return {direction: native.localeInfo(this.toString())[3]};
});
getter(Locale.prototype, 'timeZones', function () {
    var parts = localeParts(this, 'timeZones');
    if (parts.region === undefined || parts.region.length !== 2) return undefined;
    return native.supportedValues('timeZone', parts.region.toUpperCase()).sort();
});
getter(Locale.prototype, 'weekInfo', function () {
    localeParts(this, 'weekInfo');
    var info = native.localeInfo(this.toString());
    return {firstDay: info[0], weekend: info[2], minimalDays: info[1]};
});

// ---------------------------------------------------------------------------------------------------- Intl

var Intl = {};
defineProperty(Intl, toStringTag, {value: 'Intl', configurable: true});
method(Intl, 'getCanonicalLocales', function getCanonicalLocales(locales) {
    return canonicalizeLocaleList(locales);
}, 1);
method(Intl, 'supportedValuesOf', function supportedValuesOf(key) {
    key = String(key);
    var list;
    switch (key) {
    case 'calendar': list = native.supportedValues('calendar', ''); break;
    case 'collation': list = native.supportedValues('collation', '').filter(function (c) {
        return c !== 'standard' && c !== 'search' && c !== 'private-unihan';
    }); break;
    case 'currency': case 'numberingSystem': case 'timeZone': list = native.supportedValues(key, ''); break;
    case 'unit': list = sanctionedUnits.slice(); break;
    default: throw new RangeError('Invalid key : ' + key);
    }
    return list.filter(function (v, i) { return list.indexOf(v) === i; }).sort();
}, 1);
[['DateTimeFormat', DateTimeFormat], ['NumberFormat', NumberFormat], ['Collator', Collator],
 ['PluralRules', PluralRules], ['RelativeTimeFormat', RelativeTimeFormat], ['ListFormat', ListFormat],
 ['Locale', Locale], ['DisplayNames', DisplayNames], ['Segmenter', Segmenter]].forEach(function (pair) {
    defineProperty(Intl, pair[0], {value: pair[1], writable: true, configurable: true});
});

// ---------------------------------------------------------------------------------------------------- built-ins

// Formatters made for the built-ins' locale methods, kept for the plain calls scripts repeat in loops.
var builtinFormatters = create(null), builtinCount = 0;
function builtinFormatter(kindName, locales, options, make) {
    var key = options === undefined && (locales === undefined || typeof locales === 'string')
        ? kindName + '|' + (locales === undefined ? '' : locales) : undefined;
    if (key !== undefined && builtinFormatters[key]) return builtinFormatters[key];
    var formatter = make();
    if (key !== undefined) {
        if (++builtinCount > cacheBound) {
            builtinFormatters = create(null);
            builtinCount = 1;
        }
        builtinFormatters[key] = formatter;
    }
    return formatter;
}
function thisNumber(value) {
    return typeof value === 'number' ? value : call.call(numberValueOf, value);
}
var replaced = [];
function replace(target, name, fn, length) {
    replaced.push(name);
    method(target, name, fn, length);
}
// Engines that take no locale answer these in their own locale; a German grouping proves the argument is used.
if ((1234.5).toLocaleString('de-DE') !== '1.234,5') {
    replace(Number.prototype, 'toLocaleString', function toLocaleString() {
        var x = thisNumber(this), locales = arguments[0], options = arguments[1];
        var r = slotOf(builtinFormatter('n', locales, options, function () {
            return new NumberFormat(locales, options);
        }), 'NumberFormat', 'format');
        return formatNumber(r, x);
    }, 0);
}
function dateMethod(name, required, defaults) {
    replace(NativeDate.prototype, name, function () {
        var t = call.call(dateValueOf, this), locales = arguments[0], options = arguments[1];
        if (t !== t) return 'Invalid Date';
        var r = slotOf(builtinFormatter(name, locales, options, function () {
            var formatter = create(DateTimeFormat.prototype);
            initDateTimeFormat(formatter, locales, options, required, defaults);
            return formatter;
        }), 'DateTimeFormat', 'format');
        return formatDate(r, t);
    }, 0);
}
if (new NativeDate(0).toLocaleString('de-DE', {timeZone: 'UTC'}) !== '1.1.1970, 00:00:00') {
    dateMethod('toLocaleString', 'any', 'all');
    dateMethod('toLocaleDateString', 'date', 'date');
    dateMethod('toLocaleTimeString', 'time', 'time');
}
if ('a'.localeCompare('b', 'sv', {sensitivity: 'base'}) !== -1 || '\u00e4'.localeCompare('z', 'sv') !== 1) {
    replace(String.prototype, 'localeCompare', function localeCompare(that) {
        if (this === undefined || this === null) throw new TypeError('String.prototype.localeCompare called on null or undefined');
        var locales = arguments[1], options = arguments[2];
        var r = slotOf(builtinFormatter('c', locales, options, function () {
            return new Collator(locales, options);
        }), 'Collator', 'compare');
        return native.compare(r.icuLocale, r.settings, String(this), String(that));
    }, 1);
}
function caseMethod(name, upper) {
    replace(String.prototype, name, function () {
        if (this === undefined || this === null) throw new TypeError('String.prototype.' + name + ' called on null or undefined');
        var text = String(this), requested = canonicalizeLocaleList(arguments[0]);
        var locale = requested.length ? splitExtension(requested[0]).base : defaultLocale();
        var language = locale.split('-')[0];
        if (['tr', 'az', 'lt', 'el', 'hy'].indexOf(language) < 0) language = 'und';
        return native.changeCase(language, text, upper);
    }, 0);
}
if ('i'.toLocaleUpperCase('tr') !== '\u0130') {
    caseMethod('toLocaleUpperCase', true);
    caseMethod('toLocaleLowerCase', false);
}
// Arrays pass their arguments on to each element.
function joinLocale(list, locales, options) {
    var length = Math.min(Math.max(Number(list.length) || 0, 0), 4294967295), out = '';
    for (var k = 0; k < length; k++) {
        if (k > 0) out += ',';
        var element = list[k];
        if (element !== undefined && element !== null) out += String(Object(element).toLocaleString(locales, options));
    }
    return out;
}
if ([1234.5].toLocaleString('de-DE') !== '1.234,5') {
    replace(Array.prototype, 'toLocaleString', function toLocaleString() {
        if (this === undefined || this === null) throw new TypeError('Array.prototype.toLocaleString called on null or undefined');
        return joinLocale(Object(this), arguments[0], arguments[1]);
    }, 0);
    var typedArray = getPrototypeOf(Int8Array.prototype);
    replace(typedArray, 'toLocaleString', function toLocaleString() {
        return joinLocale(this, arguments[0], arguments[1]);
    }, 0);
}

defineProperty(global, 'Intl', {value: Intl, writable: true, configurable: true});
return ['Intl'];
