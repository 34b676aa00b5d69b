// The library that supplies what Qt 5.15's engine lacks of today's JavaScript and replaces the built-ins it gets
// wrong. script/BuiltinLibrary reads this file in sections: each "//@ name : words < needs" line starts one. A
// section is compiled only when a text about to run mentions one of its words outside comments ("a+b" means both;
// ".a" means a as a property: after a dot, as the string of o['a'] or before a colon; "\/" is the escaped slash of
// a regular expression), and installs itself once per engine, after the sections it needs. A section is a function
// (kit, global) that defines only what the engine lacks, or replaces a built-in only after checking, in this
// engine, that its answer is wrong.

//@ kit
// What the other sections build with; it comes first wherever one is installed. Sections are compiled inside a
// function whose parameters (Object, Array, defineProperty, ReflectApply, ...) hold the engine's own built-ins,
// taken when the engine was fresh, so a script that assigns Object.defineProperty or Array cannot break a later
// install.
function (k, g) {
    var hasOwn = function (o, key) { return ReflectApply(hasOwnProperty, o, [key]); };
    k.g = g;
    k.apply = ReflectApply;
    k.hasOwn = hasOwn;
    k.defineProperty = defineProperty;
    k.getOwn = getOwnPropertyDescriptor;
    k.Error = Error;
    k.SharedArrayBuffer = SharedArrayBuffer;
    k.globals = [];
    k.globalValues = [];
    // The file name this library's frames carry in a stack, so errors it makes can name the caller's line.
    var frame = String(new Error().stack).split('\n')[0];
    k.file = frame.slice(frame.indexOf('@') + 1, frame.lastIndexOf(':') + 1);

    // Properties as the standard defines them: methods writable and configurable, not enumerable.
    k.method = function (target, name, fn, force) {
        if (!force && hasOwn(target, name))
            return false;
        defineProperty(target, name, {value: fn, writable: true, enumerable: false, configurable: true});
        return true;
    };
    k.getter = function (target, name, get, force) {
        if (!force && hasOwn(target, name))
            return false;
        defineProperty(target, name, {get: get, enumerable: false, configurable: true});
        return true;
    };
    // A global the engine lacks: the object tree hides it while it holds this value. A replaced one stays shown,
    // as the engine's was.
    k.global = function (name, value, replace) {
        if (!replace && hasOwn(g, name))
            return false;
        defineProperty(g, name, {value: value, writable: true, enumerable: false, configurable: true});
        if (!replace) {
            k.globals.push(name);
            k.globalValues.push(value);
        }
        return true;
    };
    k.named = function (fn, name) {
        defineProperty(fn, 'name', {value: name, configurable: true});
        return fn;
    };
    // An error made here names the caller's line, not the library's: the workbench shows lineNumber.
    k.relocate = function (error) {
        var frames = String(error.stack).split('\n');
        for (var i = 0; i < frames.length; ++i) {
            var place = frames[i].slice(frames[i].indexOf('@') + 1);
            // The library's own frames, and the marker strict code leaves for calls in tail position.
            if (place.indexOf(':') < 0 || (place.lastIndexOf(k.file, 0) === 0 && place.indexOf(':', k.file.length) < 0))
                continue;
            var colon = place.lastIndexOf(':');
            defineProperty(error, 'lineNumber', {value: +place.slice(colon + 1) || 0, writable: true, configurable: true});
            defineProperty(error, 'fileName', {value: place.slice(0, colon), writable: true, configurable: true});
            break;
        }
        return error;
    };
    k.typeError = function (message) { return k.relocate(new TypeError(message)); };
    k.rangeError = function (message) { return k.relocate(new RangeError(message)); };

    k.isObject = function (v) { return (typeof v === 'object' && v !== null) || typeof v === 'function'; };
    k.str = function (v) {
        if (typeof v === 'symbol')
            throw k.typeError('Cannot convert a Symbol value to a string');
        return String(v);
    };
}

//@ convert < kit
// The conversions and checks most sections share.
function (k) {
    k.callable = function (v, what) {
        if (typeof v !== 'function')
            throw k.typeError(String(what || typeof v) + ' is not a function');
        return v;
    };
    k.coercible = function (v, method) {
        if (v === null || v === undefined)
            throw k.typeError(method + ' called on null or undefined');
        return v;
    };
    k.toObject = function (v, method) { return Object(k.coercible(v, method)); };
    k.toInt = function (v) {
        var n = +v;
        if (n !== n || n === 0)
            return 0;
        return n === Infinity || n === -Infinity ? n : Math.trunc(n);
    };
    k.toLength = function (v) {
        var n = k.toInt(v);
        return n <= 0 ? 0 : Math.min(n, 9007199254740991);
    };
    // The index a relative position (negative from the end) stands for, clamped to [0, length].
    k.relative = function (v, length) {
        var n = k.toInt(v);
        return n < 0 ? Math.max(length + n, 0) : Math.min(n, length);
    };
    // ArraySpeciesCreate: an array of the kind the receiver's constructor asks for.
    k.speciesArray = function (original, length) {
        if (!Array.isArray(original))
            return new Array(length);
        var C = original.constructor;
        if (k.isObject(C)) {
            C = C[Symbol.species];
            if (C === null)
                C = undefined;
        }
        if (C === undefined)
            return new Array(length);
        if (typeof C !== 'function')
            throw k.typeError('object.constructor[Symbol.species] is not a constructor');
        return new C(length);
    };
    k.createData = function (target, key, value) {
        defineProperty(target, key, {value: value, writable: true, enumerable: true, configurable: true});
    };
    // A replacement constructor keeps the statics of the one it replaces (Symbol.species and the like).
    k.statics = function (from, to) {
        Reflect.ownKeys(from).forEach(function (key) {
            if (key !== 'prototype' && key !== 'name' && key !== 'length' && !k.hasOwn(to, key))
                defineProperty(to, key, getOwnPropertyDescriptor(from, key));
        });
    };
    k.constant = function (target, name, value) {
        if (k.hasOwn(target, name))
            return false;
        defineProperty(target, name, {value: value, writable: false, enumerable: false, configurable: false});
        return true;
    };
}

//@ typed < kit
// Typed arrays: the engine's own tag getter tells a typed array from anything else.
function (k) {
    var TypedArray = getPrototypeOf(Int8Array);
    var tag = getOwnPropertyDescriptor(TypedArray.prototype, Symbol.toStringTag);
    var tagOf = tag && tag.get, lengthOf = getOwnPropertyDescriptor(TypedArray.prototype, 'length').get;
    k.TypedArray = TypedArray;
    k.typedArrays = {Int8Array: Int8Array, Uint8Array: Uint8Array, Uint8ClampedArray: Uint8ClampedArray,
                     Int16Array: Int16Array, Uint16Array: Uint16Array, Int32Array: Int32Array, Uint32Array: Uint32Array,
                     Float32Array: Float32Array, Float64Array: Float64Array};
    k.typedName = function (v) {
        if (tagOf)
            return ReflectApply(tagOf, v, []);
        return ArrayBuffer.isView(v) && !(v instanceof DataView) ? Object.prototype.toString.call(v).slice(8, -1) : undefined;
    };
    k.typed = function (v, method) {
        var name = k.typedName(v);
        if (name === undefined)
            throw k.typeError(method + ': this is not a typed array');
        return name;
    };
    k.typedLength = function (v) { return ReflectApply(lengthOf, v, []); };
}

//@ sorting < kit
function (k) {
    // A stable merge sort of list by compare (a function returning a number; NaN counts as equal).
    k.sort = function (list, compare) {
        var n = list.length;
        if (n < 2)
            return list;
        var buffer = new Array(n);
        for (var width = 1, from = list, to = buffer; width < n; width *= 2) {
            for (var start = 0; start < n; start += 2 * width) {
                var mid = Math.min(start + width, n), end = Math.min(start + 2 * width, n);
                var i = start, j = mid, o = start;
                while (i < mid && j < end)
                    to[o++] = +compare(from[j], from[i]) < 0 ? from[j++] : from[i++];
                while (i < mid)
                    to[o++] = from[i++];
                while (j < end)
                    to[o++] = from[j++];
            }
            var swap = from; from = to; to = swap;
        }
        if (from !== list)
            for (var m = 0; m < n; ++m)
                list[m] = from[m];
        return list;
    };
    // The order of typed-array sort without a comparator: numeric, -0 before +0, NaN last.
    k.numericOrder = function (a, b) {
        if (a !== a)
            return b !== b ? 0 : 1;
        if (b !== b)
            return -1;
        if (a < b)
            return -1;
        if (a > b)
            return 1;
        if (a === 0 && b === 0)
            return (1 / a < 0 ? -1 : 0) - (1 / b < 0 ? -1 : 0);
        return 0;
    };
    k.comparator = function (compare, method) {
        if (compare !== undefined && typeof compare !== 'function')
            throw k.typeError('The comparison function of ' + method + ' must be either a function or undefined');
        return compare === undefined ? undefined : function (a, b) {
            var r = +compare(a, b);
            return r !== r ? 0 : r;
        };
    };
    // The values of an array-like in the order toSorted gives: undefined last, by string without a comparator.
    k.sortedValues = function (object, length, compare) {
        var values = [], undefinedCount = 0;
        for (var i = 0; i < length; ++i) {
            var v = object[i];
            if (v === undefined)
                ++undefinedCount;
            else
                values.push(v);
        }
        k.sort(values, compare || function (a, b) {
            var x = k.str(a), y = k.str(b);
            return x < y ? -1 : x > y ? 1 : 0;
        });
        while (undefinedCount-- > 0)
            values.push(undefined);
        return values;
    };
}

//@ globalThis : globalThis < kit
function (k, g) {
    k.global('globalThis', g);
}

//@ at : .at < kit convert typed
function (k) {
    k.method(Array.prototype, 'at', function at(index) {
        var o = k.toObject(this, 'Array.prototype.at');
        var length = k.toLength(o.length), i = k.toInt(index);
        if (i < 0)
            i += length;
        return i < 0 || i >= length ? undefined : o[i];
    });
    k.method(String.prototype, 'at', function at(index) {
        var s = k.str(k.coercible(this, 'String.prototype.at'));
        var i = k.toInt(index);
        if (i < 0)
            i += s.length;
        return i < 0 || i >= s.length ? undefined : s.charAt(i);
    });
    k.method(k.TypedArray.prototype, 'at', function at(index) {
        k.typed(this, '%TypedArray%.prototype.at');
        var length = k.typedLength(this), i = k.toInt(index);
        if (i < 0)
            i += length;
        return i < 0 || i >= length ? undefined : this[i];
    });
    Array.prototype[Symbol.unscopables].at = true;
}

//@ flat : .flat flatMap < kit convert
function (k) {
    function flatten(target, source, sourceLength, start, depth, mapper, thisArg) {
        var index = start;
        for (var i = 0; i < sourceLength; ++i) {
            if (!(i in source))
                continue;
            var element = source[i];
            if (mapper)
                element = k.apply(mapper, thisArg, [element, i, source]);
            if (depth > 0 && Array.isArray(element)) {
                index = flatten(target, element, k.toLength(element.length), index, depth - 1);
            } else {
                if (index >= 9007199254740991)
                    throw k.typeError('array too long');
                k.createData(target, index++, element);
            }
        }
        return index;
    }
    k.method(Array.prototype, 'flat', function flat() {
        var o = k.toObject(this, 'Array.prototype.flat');
        var length = k.toLength(o.length);
        var depth = arguments.length > 0 && arguments[0] !== undefined ? k.toInt(arguments[0]) : 1;
        var result = k.speciesArray(o, 0);
        flatten(result, o, length, 0, depth);
        return result;
    });
    k.method(Array.prototype, 'flatMap', function flatMap(callback) {
        var o = k.toObject(this, 'Array.prototype.flatMap');
        var length = k.toLength(o.length);
        k.callable(callback, 'flatMap mapper function');
        var result = k.speciesArray(o, 0);
        flatten(result, o, length, 0, 1, callback, arguments[1]);
        return result;
    });
    var unscopables = Array.prototype[Symbol.unscopables];
    unscopables.flat = true;
    unscopables.flatMap = true;
}

//@ findLast : findLast findLastIndex < kit convert typed
function (k) {
    function search(o, length, predicate, thisArg, wantIndex) {
        k.callable(predicate, 'predicate');
        for (var i = length - 1; i >= 0; --i) {
            var v = o[i];
            if (k.apply(predicate, thisArg, [v, i, o]))
                return wantIndex ? i : v;
        }
        return wantIndex ? -1 : undefined;
    }
    k.method(Array.prototype, 'findLast', function findLast(predicate) {
        var o = k.toObject(this, 'Array.prototype.findLast');
        return search(o, k.toLength(o.length), predicate, arguments[1], false);
    });
    k.method(Array.prototype, 'findLastIndex', function findLastIndex(predicate) {
        var o = k.toObject(this, 'Array.prototype.findLastIndex');
        return search(o, k.toLength(o.length), predicate, arguments[1], true);
    });
    k.method(k.TypedArray.prototype, 'findLast', function findLast(predicate) {
        k.typed(this, '%TypedArray%.prototype.findLast');
        return search(this, k.typedLength(this), predicate, arguments[1], false);
    });
    k.method(k.TypedArray.prototype, 'findLastIndex', function findLastIndex(predicate) {
        k.typed(this, '%TypedArray%.prototype.findLastIndex');
        return search(this, k.typedLength(this), predicate, arguments[1], true);
    });
    var unscopables = Array.prototype[Symbol.unscopables];
    unscopables.findLast = true;
    unscopables.findLastIndex = true;
}

//@ byCopy : toSorted toReversed .with toSpliced < kit convert typed sorting
function (k) {
    var maxLength = 9007199254740991;
    function arrayOf(length) {
        if (length > 4294967295)
            throw k.rangeError('Invalid array length');
        return new Array(length);
    }
    k.method(Array.prototype, 'toSorted', function toSorted(compare) {
        var order = k.comparator(compare, 'Array.prototype.toSorted');
        var o = k.toObject(this, 'Array.prototype.toSorted');
        var length = k.toLength(o.length);
        var result = arrayOf(length);
        var values = k.sortedValues(o, length, order);
        for (var i = 0; i < length; ++i)
            result[i] = values[i];
        return result;
    });
    k.method(Array.prototype, 'toReversed', function toReversed() {
        var o = k.toObject(this, 'Array.prototype.toReversed');
        var length = k.toLength(o.length);
        var result = arrayOf(length);
        for (var i = 0; i < length; ++i)
            result[i] = o[length - 1 - i];
        return result;
    });
    k.method(Array.prototype, 'with', function (index, value) {
        var o = k.toObject(this, 'Array.prototype.with');
        var length = k.toLength(o.length), i = k.toInt(index);
        var actual = i < 0 ? length + i : i;
        if (actual >= length || actual < 0)
            throw k.rangeError('Invalid index : ' + i);
        var result = arrayOf(length);
        for (var j = 0; j < length; ++j)
            result[j] = j === actual ? value : o[j];
        return result;
    });
    k.named(Array.prototype['with'], 'with');
    k.method(Array.prototype, 'toSpliced', function toSpliced(start, skipCount) {
        var o = k.toObject(this, 'Array.prototype.toSpliced');
        var length = k.toLength(o.length);
        var from = k.relative(start, length);
        var inserted = arguments.length > 2 ? arguments.length - 2 : 0;
        var skip = arguments.length === 0 ? 0 : arguments.length === 1 ? length - from
                 : Math.min(Math.max(k.toInt(skipCount), 0), length - from);
        var newLength = length + inserted - skip;
        if (newLength > maxLength)
            throw k.typeError('Invalid array length');
        var result = arrayOf(newLength), n = 0, i;
        for (i = 0; i < from; ++i)
            result[n++] = o[i];
        for (i = 0; i < inserted; ++i)
            result[n++] = arguments[i + 2];
        for (i = from + skip; i < length; ++i)
            result[n++] = o[i];
        return result;
    });
    var unscopables = Array.prototype[Symbol.unscopables];
    unscopables.toSorted = true;
    unscopables.toReversed = true;
    unscopables.toSpliced = true;

    var TA = k.TypedArray.prototype;
    function sameType(original, length) {
        return new k.typedArrays[k.typedName(original)](length);
    }
    k.method(TA, 'toSorted', function toSorted(compare) {
        k.comparator(compare, '%TypedArray%.prototype.toSorted');
        k.typed(this, '%TypedArray%.prototype.toSorted');
        var length = k.typedLength(this), result = sameType(this, length);
        for (var i = 0; i < length; ++i)
            result[i] = this[i];
        return result.sort(compare);
    });
    k.method(TA, 'toReversed', function toReversed() {
        k.typed(this, '%TypedArray%.prototype.toReversed');
        var length = k.typedLength(this), result = sameType(this, length);
        for (var i = 0; i < length; ++i)
            result[i] = this[length - 1 - i];
        return result;
    });
    k.method(TA, 'with', function (index, value) {
        k.typed(this, '%TypedArray%.prototype.with');
        var length = k.typedLength(this), i = k.toInt(index);
        var actual = i < 0 ? length + i : i;
        var number = +value;
        if (actual >= length || actual < 0)
            throw k.rangeError('Invalid typed array index');
        var result = sameType(this, length);
        for (var j = 0; j < length; ++j)
            result[j] = j === actual ? number : this[j];
        return result;
    });
    k.named(TA['with'], 'with');
}

//@ typedSort : .sort toSorted < kit convert typed sorting
function (k) {
    k.method(k.TypedArray.prototype, 'sort', function sort(compare) {
        var order = k.comparator(compare, '%TypedArray%.prototype.sort');
        k.typed(this, '%TypedArray%.prototype.sort');
        var length = k.typedLength(this), values = new Array(length);
        for (var i = 0; i < length; ++i)
            values[i] = this[i];
        k.sort(values, order || k.numericOrder);
        for (var j = 0; j < length && j < k.typedLength(this); ++j)
            this[j] = values[j];
        return this;
    });
}

//@ fromEntries : fromEntries < kit convert
function (k) {
    k.method(Object, 'fromEntries', function fromEntries(iterable) {
        k.coercible(iterable, 'Object.fromEntries');
        var result = {};
        for (var entry of iterable) {
            if (!k.isObject(entry))
                throw k.typeError('Iterator value ' + k.str(typeof entry === 'symbol' ? 'symbol' : entry) + ' is not an entry object');
            var key = entry[0], value = entry[1];
            k.createData(result, typeof key === 'symbol' ? key : k.str(key), value);
        }
        return result;
    });
}

//@ hasOwn : hasOwn < kit convert
function (k) {
    k.method(Object, 'hasOwn', function hasOwn(object, key) {
        return k.hasOwn(k.toObject(object, 'Object.hasOwn'), key);
    });
}

//@ trim : trimStart trimEnd trimLeft trimRight < kit convert
function (k) {
    var trim = String.prototype.trim;
    // The engine's own trim knows the white space; a letter beside the text keeps one end as it was.
    var trimStart = function trimStart() {
        var s = k.str(k.coercible(this, 'String.prototype.trimStart'));
        var t = trim.call(s + 'x');
        return t.slice(0, -1);
    };
    var trimEnd = function trimEnd() {
        var s = k.str(k.coercible(this, 'String.prototype.trimEnd'));
        return trim.call('x' + s).slice(1);
    };
    var proto = String.prototype;
    if (k.method(proto, 'trimStart', trimStart))
        k.method(proto, 'trimLeft', trimStart);
    if (k.method(proto, 'trimEnd', trimEnd))
        k.method(proto, 'trimRight', trimEnd);
}

//@ regexpProtocol < kit convert
// What replaceAll, matchAll and the String method fix share: whether a value is a regular expression, and whether
// one runs on the engine's own methods (then the engine's fast String methods give the right answer).
function (k) {
    var proto = RegExp.prototype, S = Symbol;
    var flagsOf = k.getOwn(proto, 'flags').get;
    k.nativeExec = proto.exec;
    k.nativeSymbols = {};
    ['replace', 'split', 'match', 'search'].forEach(function (name) { k.nativeSymbols[name] = proto[S[name]]; });
    k.isRegExp = function (v) {
        if (!k.isObject(v))
            return false;
        var m = v[S.match];
        if (m !== undefined)
            return !!m;
        try {
            flagsOf.call(v);
            return v instanceof RegExp;
        } catch (e) {
            return false;
        }
    };
    k.plainRegExp = function (v, symbolName) {
        return v instanceof RegExp && v[S[symbolName]] === k.nativeSymbols[symbolName] && v.exec === k.nativeExec;
    };
    k.requireGlobal = function (v, method) {
        if (k.isRegExp(v)) {
            var flags = k.coercible(v.flags, method);
            if (k.str(flags).indexOf('g') < 0)
                throw k.typeError(method + ' called with a non-global RegExp argument');
        }
    };
}

//@ replaceAll : replaceAll < kit convert regexpProtocol
function (k) {
    var nativeReplace = String.prototype.replace;
    // GetSubstitution for a plain string match: $$, $&, $` and $' (there are no groups).
    function substitute(matched, string, position, template) {
        if (template.indexOf('$') < 0)
            return template;
        var result = '', tail = position + matched.length;
        for (var i = 0; i < template.length; ++i) {
            var c = template.charAt(i);
            if (c === '$' && i + 1 < template.length) {
                var d = template.charAt(i + 1);
                if (d === '$') { result += '$'; ++i; continue; }
                if (d === '&') { result += matched; ++i; continue; }
                if (d === '`') { result += string.slice(0, position); ++i; continue; }
                if (d === "'") { result += string.slice(tail); ++i; continue; }
            }
            result += c;
        }
        return result;
    }
    k.method(String.prototype, 'replaceAll', function replaceAll(searchValue, replaceValue) {
        var o = k.coercible(this, 'String.prototype.replaceAll');
        if (searchValue !== undefined && searchValue !== null) {
            k.requireGlobal(searchValue, 'String.prototype.replaceAll');
            if (k.plainRegExp(searchValue, 'replace'))
                return nativeReplace.call(k.str(o), searchValue, replaceValue);
            var replacer = k.isObject(searchValue) ? searchValue[Symbol.replace] : undefined;
            if (replacer !== undefined && replacer !== null)
                return k.apply(k.callable(replacer), searchValue, [o, replaceValue]);
        }
        var string = k.str(o), search = k.str(searchValue);
        var functional = typeof replaceValue === 'function';
        if (!functional)
            replaceValue = k.str(replaceValue);
        var advance = Math.max(1, search.length), positions = [];
        for (var p = string.indexOf(search, 0); p >= 0; p = string.indexOf(search, p + advance)) {
            positions.push(p);
            if (p + advance > string.length)
                break;
        }
        var end = 0, result = '';
        for (var i = 0; i < positions.length; ++i) {
            var at = positions[i];
            var replacement = functional ? k.str(replaceValue(search, at, string))
                                         : substitute(search, string, at, replaceValue);
            result += string.slice(end, at) + replacement;
            end = at + search.length;
        }
        return end < string.length ? result + string.slice(end) : result;
    });
}

//@ matchAll : matchAll < kit convert regexpProtocol
function (k) {
    var S = Symbol;
    k.constant(S, 'matchAll', S('Symbol.matchAll'));
    var iteratorProto = Object.create(getPrototypeOf(getPrototypeOf([][Symbol.iterator]())));
    var states = new WeakMap();
    k.method(iteratorProto, 'next', function next() {
        var state = states.get(this);
        if (!state)
            throw k.typeError('next called on an object that is not a RegExp String Iterator');
        if (state.done)
            return {value: undefined, done: true};
        var r = state.matcher, exec = r.exec, match;
        match = typeof exec === 'function' ? exec.call(r, state.string) : k.nativeExec.call(r, state.string);
        if (match !== null && !k.isObject(match))
            throw k.typeError('exec result must be an object or null');
        if (match === null) {
            state.done = true;
            return {value: undefined, done: true};
        }
        if (!state.global) {
            state.done = true;
            return {value: match, done: false};
        }
        if (k.str(match[0]) === '') {
            var i = k.toLength(r.lastIndex), s = state.string;
            var step = 1;
            if (state.unicode && i + 1 < s.length) {
                var c = s.charCodeAt(i);
                if (c >= 0xd800 && c <= 0xdbff) {
                    var d = s.charCodeAt(i + 1);
                    if (d >= 0xdc00 && d <= 0xdfff)
                        step = 2;
                }
            }
            r.lastIndex = i + step;
        }
        return {value: match, done: false};
    });
    Object.defineProperty(iteratorProto, S.toStringTag, {value: 'RegExp String Iterator', configurable: true});
    var regexpMatchAll = function (string) {
        if (!k.isObject(this))
            throw k.typeError('RegExp.prototype[Symbol.matchAll] called on a non-object');
        var s = k.str(string);
        var C = this.constructor;
        if (C === undefined) {
            C = RegExp;
        } else {
            if (!k.isObject(C))
                throw k.typeError('object.constructor is not an object');
            C = C[S.species];
            if (C === undefined || C === null)
                C = RegExp;
        }
        var flags = k.str(this.flags);
        var matcher = new C(this, flags);
        matcher.lastIndex = k.toLength(this.lastIndex);
        var iterator = Object.create(iteratorProto);
        states.set(iterator, {matcher: matcher, string: s, global: flags.indexOf('g') >= 0,
                              unicode: flags.indexOf('u') >= 0, done: false});
        return iterator;
    };
    Object.defineProperty(RegExp.prototype, S.matchAll,
                            {value: k.named(regexpMatchAll, '[Symbol.matchAll]'), writable: true, configurable: true});
    k.method(String.prototype, 'matchAll', function matchAll(regexp) {
        var o = k.coercible(this, 'String.prototype.matchAll');
        if (regexp !== undefined && regexp !== null) {
            k.requireGlobal(regexp, 'String.prototype.matchAll');
            var matcher = k.isObject(regexp) ? regexp[S.matchAll] : undefined;
            if (matcher !== undefined && matcher !== null)
                return k.apply(k.callable(matcher), regexp, [o]);
        }
        var rx = new RegExp(regexp, 'g');
        return rx[S.matchAll](k.str(o));
    });
}

//@ symbols : asyncIterator dispose asyncDispose < kit convert
function (k) {
    k.constant(Symbol, 'asyncIterator', Symbol('Symbol.asyncIterator'));
    k.constant(Symbol, 'dispose', Symbol('Symbol.dispose'));
    k.constant(Symbol, 'asyncDispose', Symbol('Symbol.asyncDispose'));
}

//@ description : .description < kit convert
function (k) {
    var valueOf = Symbol.prototype.valueOf, toString = Symbol.prototype.toString;
    // Symbol('') and Symbol() print alike here, so an empty description reads as none (Symbol.for('') excepted).
    k.getter(Symbol.prototype, 'description', function description() {
        var symbol = ReflectApply(valueOf, this, []);
        var text = ReflectApply(toString, symbol, []).slice(7, -1);
        return text !== '' || Symbol.keyFor(symbol) === '' ? text : undefined;
    });
}

//@ aggregateError : AggregateError .any < kit convert
function (k) {
    if (k.hasOwn(k.g, 'AggregateError'))
        return;
    var NativeError = k.Error;
    var AggregateError = function AggregateError(errors, message) {
        var target = new.target || AggregateError;
        var error = Reflect.construct(NativeError, message === undefined ? [] : [k.str(message)], target);
        var options = arguments[2];
        if (k.isObject(options) && 'cause' in options)
            k.defineProperty(error, 'cause', {value: options.cause, writable: true, configurable: true});
        var list = [];
        for (var e of errors)
            list.push(e);
        k.defineProperty(error, 'errors', {value: list, writable: true, configurable: true});
        return k.relocate(error);
    };
    Object.setPrototypeOf(AggregateError, NativeError);
    AggregateError.prototype = Object.create(NativeError.prototype);
    k.defineProperty(AggregateError, 'prototype', {writable: false});
    k.method(AggregateError.prototype, 'constructor', AggregateError);
    k.method(AggregateError.prototype, 'name', 'AggregateError');
    k.method(AggregateError.prototype, 'message', '');
    k.global('AggregateError', AggregateError);
    k.AggregateError = AggregateError;
}

//@ errorCause : .cause < kit convert
function (k, g) {
    if (new k.Error('', {cause: 1}).cause === 1)
        return;
    // Each error constructor is wrapped: the wrapper shares the engine's prototype, so errors the engine throws
    // are still instances, and their constructor is the wrapper.
    var wrap = function (name, parent) {
        var Native = g[name];
        if (typeof Native !== 'function' || Native.prototype.constructor !== Native)
            return undefined;
        var Wrapper = function (message, options) {
            var error = Reflect.construct(Native, message === undefined ? [] : [message], new.target || Wrapper);
            if (k.isObject(options) && 'cause' in options)
                k.defineProperty(error, 'cause', {value: options.cause, writable: true, configurable: true});
            return k.relocate(error);
        };
        k.named(Wrapper, name);
        k.defineProperty(Wrapper, 'length', {value: 1, configurable: true});
        k.defineProperty(Wrapper, 'prototype', {value: Native.prototype, writable: false, enumerable: false,
                                               configurable: false});
        Object.setPrototypeOf(Wrapper, parent || Object.getPrototypeOf(Native));
        k.statics(Native, Wrapper);
        k.method(Native.prototype, 'constructor', Wrapper, true);
        k.global(name, Wrapper, true);
        return Wrapper;
    };
    var base = wrap('Error');
    if (!base)
        return;
    k.Error = base;
    ['EvalError', 'RangeError', 'ReferenceError', 'SyntaxError', 'TypeError', 'URIError'].forEach(function (name) {
        wrap(name, base);
    });
    if (k.AggregateError)
        Object.setPrototypeOf(k.AggregateError, base);
}

//@ promiseStatics : allSettled .any < kit convert aggregateError
// On whatever Promise is global now (the session may have wrapped the engine's): new statics only, never a new
// constructor.
function (k, g) {
    var P = g.Promise;
    if (typeof P !== 'function')
        return;
    function capability(C) {
        if (!k.isObject(C))
            throw k.typeError('Promise statics called on a non-object');
        var resolve, reject;
        var promise = new C(function (a, b) {
            if (resolve !== undefined || reject !== undefined)
                throw k.typeError('Promise executor has already been invoked');
            resolve = a;
            reject = b;
        });
        k.callable(resolve, 'Promise resolve function');
        k.callable(reject, 'Promise reject function');
        return {promise: promise, resolve: resolve, reject: reject};
    }
    function combine(C, iterable, onFulfilled, onRejected, finish) {
        var cap = capability(C);
        try {
            var resolveStep = k.callable(C.resolve, 'Promise resolve');
            var results = [], remaining = 1, index = 0;
            var settle = function () {
                if (--remaining === 0)
                    finish(cap, results);
            };
            for (var item of iterable) {
                (function (i) {
                    var called = false;
                    results.push(undefined);
                    ++remaining;
                    var next = resolveStep.call(C, item);
                    next.then(function (value) {
                        if (called)
                            return;
                        called = true;
                        onFulfilled(cap, results, i, value, settle);
                    }, function (reason) {
                        if (called)
                            return;
                        called = true;
                        onRejected(cap, results, i, reason, settle);
                    });
                })(index++);
            }
            settle();
        } catch (e) {
            cap.reject(e);
        }
        return cap.promise;
    }
    k.method(P, 'allSettled', function allSettled(iterable) {
        return combine(this, iterable, function (cap, results, i, value, settle) {
            results[i] = {status: 'fulfilled', value: value};
            settle();
        }, function (cap, results, i, reason, settle) {
            results[i] = {status: 'rejected', reason: reason};
            settle();
        }, function (cap, results) {
            cap.resolve(results);
        });
    });
    k.method(P, 'any', function any(iterable) {
        return combine(this, iterable, function (cap, results, i, value) {
            cap.resolve(value);
        }, function (cap, results, i, reason, settle) {
            results[i] = reason;
            settle();
        }, function (cap, results) {
            var error = new k.AggregateError(results, 'All promises were rejected');
            cap.reject(error);
        });
    });
}

//@ promiseFinally : .finally < kit
function (k, g) {
    var P = g.Promise;
    if (typeof P !== 'function' || !k.isObject(P.prototype))
        return;
    k.method(P.prototype, 'finally', function (onFinally) {
        if (!k.isObject(this))
            throw k.typeError('Promise.prototype.finally called on a non-object');
        var C = this.constructor;
        if (C === undefined) {
            C = P;
        } else {
            if (!k.isObject(C))
                throw k.typeError('The promise constructor is not an object');
            var species = C[Symbol.species];
            C = species === undefined || species === null ? P : species;
        }
        if (typeof onFinally !== 'function')
            return this.then(onFinally, onFinally);
        return this.then(function (value) {
            return C.resolve(onFinally()).then(function () { return value; });
        }, function (reason) {
            return C.resolve(onFinally()).then(function () { throw reason; });
        });
    });
    k.named(P.prototype['finally'], 'finally');
}

//@ structuredClone : structuredClone < kit convert typed
function (k) {
    var O = Object, getTime = Date.prototype.getTime, flagsOf = k.getOwn(RegExp.prototype, 'flags').get;
    var bufferLength = k.getOwn(ArrayBuffer.prototype, 'byteLength').get, slice = ArrayBuffer.prototype.slice;
    var mapHas = Map.prototype.has, setHas = Set.prototype.has;
    var wrappers = [[Boolean, Boolean.prototype.valueOf], [Number, Number.prototype.valueOf],
                    [String, String.prototype.valueOf]];
    var errorNames = ['EvalError', 'RangeError', 'ReferenceError', 'SyntaxError', 'TypeError', 'URIError'];
    function fail(value) {
        var what = typeof value === 'function' ? 'function' : typeof value === 'symbol' ? 'Symbol()' : '#<Object>';
        var error = k.relocate(new k.Error(what + ' could not be cloned.'));
        k.defineProperty(error, 'name', {value: 'DataCloneError', writable: true, configurable: true});
        k.defineProperty(error, 'code', {value: 25, writable: true, configurable: true});
        return error;
    }
    function brand(fn, value) {
        try {
            fn.call(value);
            return true;
        } catch (e) {
            return false;
        }
    }
    function copyProperties(from, to, memory) {
        var keys = O.keys(from);
        for (var i = 0; i < keys.length; ++i)
            k.createData(to, keys[i], clone(from[keys[i]], memory));
        return to;
    }
    function clone(value, memory) {
        var type = typeof value;
        if (type === 'symbol' || type === 'function')
            throw fail(value);
        if (type !== 'object' || value === null)
            return value;
        if (memory.has(value))
            return memory.get(value);
        var result, i;
        if (Array.isArray(value)) {
            result = new Array(value.length);
            memory.set(value, result);
            return copyProperties(value, result, memory);
        }
        if (brand(getTime, value)) {
            result = new Date(getTime.call(value));
        } else if (brand(flagsOf, value) && value instanceof RegExp) {
            result = new RegExp(value.source, value.flags);
        } else if (brand(bufferLength, value)) {
            result = slice.call(value, 0);
        } else if (ArrayBuffer.isView(value)) {
            var buffer = clone(value.buffer, memory);
            var Ctor = value instanceof DataView ? DataView : k.typedArrays[k.typedName(value)];
            result = value instanceof DataView ? new Ctor(buffer, value.byteOffset, value.byteLength)
                                                 : new Ctor(buffer, value.byteOffset, value.length);
        } else if (brand(function () { mapHas.call(this); }, value)) {
            result = new Map();
            memory.set(value, result);
            value.forEach(function (v, key) { result.set(clone(key, memory), clone(v, memory)); });
            return result;
        } else if (brand(function () { setHas.call(this); }, value)) {
            result = new Set();
            memory.set(value, result);
            value.forEach(function (v) { result.add(clone(v, memory)); });
            return result;
        } else if (O.prototype.toString.call(value) === '[object Error]') {
            var name = value.name, Ctor2 = k.g.Error;
            for (i = 0; i < errorNames.length; ++i)
                if (name === errorNames[i])
                    Ctor2 = k.g[name];
            result = k.hasOwn(value, 'message') ? new Ctor2(k.str(value.message)) : new Ctor2();
            if (k.hasOwn(value, 'cause'))
                k.defineProperty(result, 'cause', {value: clone(value.cause, memory), writable: true, configurable: true});
        } else {
            for (i = 0; i < wrappers.length; ++i)
                if (brand(wrappers[i][1], value)) {
                    result = O(wrappers[i][1].call(value));
                    break;
                }
            if (result === undefined) {
                if (brand(Symbol.prototype.valueOf, value) || value instanceof WeakMap || value instanceof WeakSet
                        || value instanceof k.g.Promise || (k.g.WeakRef && value instanceof k.g.WeakRef))
                    throw fail(value);
                result = {};
                memory.set(value, result);
                return copyProperties(value, result, memory);
            }
        }
        memory.set(value, result);
        return result;
    }
    var structuredClone = function structuredClone(value) {
        if (arguments.length === 0)
            throw k.typeError("Failed to execute 'structuredClone': 1 argument required, but only 0 present.");
        return clone(value, new Map());
    };
    k.global('structuredClone', structuredClone);
}

//@ weakRefs : WeakRef FinalizationRegistry < kit convert
// Honest but strong: a WeakRef keeps its target (deref keeps answering it) and a registry never calls back, both
// of which the language allows.
function (k) {
    function canBeHeldWeakly(v) {
        return k.isObject(v) || (typeof v === 'symbol' && Symbol.keyFor(v) === undefined);
    }
    var targets = new WeakMap();
    var WeakRef = function WeakRef(target) {
        if (new.target === undefined)
            throw k.typeError("Constructor WeakRef requires 'new'");
        if (!canBeHeldWeakly(target))
            throw k.typeError('WeakRef: invalid target');
        targets.set(this, target);
    };
    k.method(WeakRef.prototype, 'deref', function deref() {
        if (!k.isObject(this) || !targets.has(this))
            throw k.typeError('WeakRef.prototype.deref called on an incompatible receiver');
        return targets.get(this);
    });
    Object.defineProperty(WeakRef.prototype, Symbol.toStringTag, {value: 'WeakRef', configurable: true});
    k.defineProperty(WeakRef, 'prototype', {writable: false});
    k.global('WeakRef', WeakRef);

    // The tokens each registry holds: objects weakly, symbols in a Map (the engine's WeakMap takes no symbols).
    var registries = new WeakMap();
    var FinalizationRegistry = function FinalizationRegistry(cleanup) {
        if (new.target === undefined)
            throw k.typeError("Constructor FinalizationRegistry requires 'new'");
        k.callable(cleanup, 'FinalizationRegistry: cleanup');
        registries.set(this, {objects: new WeakMap(), symbols: new Map()});
    };
    function state(registry, method) {
        var s = k.isObject(registry) ? registries.get(registry) : undefined;
        if (!s)
            throw k.typeError(method + ' called on an incompatible receiver');
        return s;
    }
    function tokens(s, token) {
        return typeof token === 'symbol' ? s.symbols : s.objects;
    }
    k.method(FinalizationRegistry.prototype, 'register', function register(target, held, token) {
        var s = state(this, 'FinalizationRegistry.prototype.register');
        if (!canBeHeldWeakly(target))
            throw k.typeError('FinalizationRegistry.prototype.register: invalid target');
        if (target === held)
            throw k.typeError('FinalizationRegistry.prototype.register: target and holdings must not be same');
        if (token !== undefined) {
            if (!canBeHeldWeakly(token))
                throw k.typeError('FinalizationRegistry.prototype.register: invalid unregister token');
            tokens(s, token).set(token, true);
        }
        return undefined;
    });
    k.method(FinalizationRegistry.prototype, 'unregister', function unregister(token) {
        var s = state(this, 'FinalizationRegistry.prototype.unregister');
        if (!canBeHeldWeakly(token))
            throw k.typeError('Invalid unregisterToken');
        return tokens(s, token)['delete'](token);
    });
    Object.defineProperty(FinalizationRegistry.prototype, Symbol.toStringTag,
                            {value: 'FinalizationRegistry', configurable: true});
    k.defineProperty(FinalizationRegistry, 'prototype', {writable: false});
    k.global('FinalizationRegistry', FinalizationRegistry);
}

//@ hypot : hypot < kit
function (k) {
    if (Math.hypot(-5) === 5)
        return;
    // The engine returns its one argument as it is; this follows the standard, scaled by the largest value and
    // summed with Kahan's compensation like V8.
    k.method(Math, 'hypot', function hypot(value1, value2) {
        var values = [], max = 0, infinite = false, nan = false;
        for (var i = 0; i < arguments.length; ++i) {
            var n = Math.abs(+arguments[i]);
            values.push(n);
            if (n === Infinity)
                infinite = true;
            else if (n !== n)
                nan = true;
            else if (n > max)
                max = n;
        }
        if (infinite)
            return Infinity;
        if (nan)
            return NaN;
        if (max === 0)
            return 0;
        var sum = 0, compensation = 0;
        for (var j = 0; j < values.length; ++j) {
            var r = values[j] / max;
            var summand = r * r - compensation;
            var preliminary = sum + summand;
            compensation = preliminary - sum - summand;
            sum = preliminary;
        }
        return Math.sqrt(sum) * max;
    }, true);
}

//@ toPrecision : toPrecision < kit convert
function (k) {
    var proto = Number.prototype, valueOf = proto.valueOf, toExponential = proto.toExponential;
    if ((0.004).toPrecision(4) === '0.004000' && (0.00001).toPrecision(1) === '0.00001')
        return;
    // The engine picks the wrong form for small numbers; its toExponential has the right digits.
    k.method(proto, 'toPrecision', function toPrecision(precision) {
        var x = valueOf.call(this);
        if (precision === undefined)
            return String(x);
        var p = k.toInt(precision);
        if (x !== x || x === Infinity || x === -Infinity)
            return String(x);
        if (p < 1 || p > 100)
            throw k.rangeError('toPrecision() argument must be between 1 and 100');
        var sign = x < 0 ? '-' : '';
        if (x < 0)
            x = -x;
        if (x === 0)
            return p === 1 ? '0' : '0.' + '0'.repeat(p - 1);
        var text = toExponential.call(x, p - 1);
        var mark = text.indexOf('e'), e = +text.slice(mark + 1);
        var digits = text.slice(0, mark).replace('.', '');
        if (e < -6 || e >= p)
            return sign + text.slice(0, mark + 1) + (e < 0 ? '-' : '+') + Math.abs(e);
        if (e >= 0)
            return sign + digits.slice(0, e + 1) + (p > e + 1 ? '.' + digits.slice(e + 1) : '');
        return sign + '0.' + '0'.repeat(-e - 1) + digits;
    }, true);
}

//@ regexpText : RegExp \/
// Standing alone (no kit): most scripts with regular expressions mention both words, and this is all they need.
function () {
    var proto = RegExp.prototype, source = getOwnPropertyDescriptor(proto, 'source').get;
    var sourceRight = /\//.source === '\\/' && new RegExp('\n').source === '\\n';
    var textRight = String(/\//) === '/\\//' && String(new RegExp('\n')) === '/\\n/';
    if (sourceRight && textRight)
        return;
    // The engine puts a backslash before every '/' of the pattern and leaves line breaks as they are; the pattern
    // as written is the engine's text with the backslash before each '/' taken out, and escaping it as the
    // standard asks gives the source.
    var lineEnds = {'\n': 'n', '\r': 'r', '\u2028': 'u2028', '\u2029': 'u2029'};
    function escapeSource(text) {
        if (text === '')
            return '(?:)';
        var inClass = false;
        return text.replace(/\\\//g, '/').replace(/\\[\s\S]|[\[\]\/\n\r\u2028\u2029]/g, function (m) {
            if (m.length === 2)
                return lineEnds[m[1]] ? '\\' + lineEnds[m[1]] : m;
            if (m === '[' || m === ']')
                inClass = m === '[';
            else
                return m === '/' ? (inClass ? m : '\\/') : '\\' + lineEnds[m];
            return m;
        });
    }
    if (!sourceRight) {
        var get = function () {
            return this === proto ? '(?:)' : escapeSource(ReflectApply(source, this, []));
        };
        defineProperty(get, 'name', {value: 'get source', configurable: true});
        defineProperty(proto, 'source', {get: get, enumerable: false, configurable: true});
    }
    if (!textRight) {
        var toString = function toString() {
            if ((typeof this !== 'object' || this === null) && typeof this !== 'function')
                throw new TypeError('RegExp.prototype.toString called on incompatible receiver');
            return '/' + String(this.source) + '/' + String(this.flags);
        };
        defineProperty(proto, 'toString', {value: toString, writable: true, enumerable: false, configurable: true});
    }
}

//@ concat : isConcatSpreadable < kit convert
function (k) {
    var probe = [1];
    probe[Symbol.isConcatSpreadable] = false;
    if ([].concat(probe).length === 1 && [].concat(probe)[0] === probe)
        return;
    k.method(Array.prototype, 'concat', function concat(item) {
        var o = k.toObject(this, 'Array.prototype.concat');
        var result = k.speciesArray(o, 0), n = 0;
        for (var a = -1; a < arguments.length; ++a) {
            var e = a < 0 ? o : arguments[a];
            var spreadable = false;
            if (k.isObject(e)) {
                var flag = e[Symbol.isConcatSpreadable];
                spreadable = flag !== undefined ? !!flag : Array.isArray(e);
            }
            if (spreadable) {
                var length = k.toLength(e.length);
                if (n + length > 9007199254740991)
                    throw k.typeError('Invalid array length');
                for (var i = 0; i < length; ++i, ++n)
                    if (i in e)
                        k.createData(result, n, e[i]);
            } else {
                if (n >= 9007199254740991)
                    throw k.typeError('Invalid array length');
                k.createData(result, n++, e);
            }
        }
        result.length = n;
        return result;
    }, true);
}

//@ stringProtocol : Symbol+replace Symbol+split Symbol+search Symbol+match extends+RegExp+exec < kit convert regexpProtocol
function (k) {
    var proto = String.prototype, S = Symbol;
    var probe = {};
    probe[S.split] = function () { return 'custom'; };
    if ('ab'.split(probe) === 'custom')
        return;
    // The engine's methods ignore a search value's own Symbol.replace (and the others) and a RegExp whose exec is
    // not the engine's: those go through the value's method as the standard says; everything else stays on the
    // engine's fast path.
    ['replace', 'split', 'search', 'match'].forEach(function (name) {
        var native = proto[name], symbol = S[name];
        var fixed = function (value, second) {
            var o = k.coercible(this, 'String.prototype.' + name);
            if (k.isObject(value) && !k.plainRegExp(value, name)) {
                var method = value[symbol];
                if (method !== undefined && method !== null)
                    return name === 'replace' || name === 'split' ? k.apply(k.callable(method), value, [o, second])
                                                                   : k.apply(k.callable(method), value, [o]);
            }
            return k.apply(native, o, arguments);
        };
        k.method(proto, name, k.named(fixed, name), true);
        k.defineProperty(fixed, 'length', {value: name === 'replace' || name === 'split' ? 2 : 1, configurable: true});
    });
}

//@ atomics : Atomics notify < kit convert typed
function (k) {
    var A = Atomics;
    if (!k.isObject(A))
        return;
    var broken = function (name, call) {
        if (typeof A[name] !== 'function')
            return true;
        try {
            call();
            return false;
        } catch (e) {
            return true;
        }
    };
    var integer = {Int8Array: 1, Uint8Array: 1, Int16Array: 1, Uint16Array: 1, Int32Array: 1, Uint32Array: 1};
    var scratch = {};
    function check(array, waitable) {
        var name = k.typedName(array);
        if (waitable ? name !== 'Int32Array' : !integer[name])
            throw k.typeError('[object Array] is not an integer shared typed array.');
        return name;
    }
    function index(array, position) {
        var i = position === undefined ? 0 : k.toInt(position);
        if (i < 0 || i >= k.typedLength(array))
            throw k.rangeError('Invalid atomic access index');
        return i;
    }
    // A value as the array stores it, for compareExchange's comparison.
    function stored(name, value) {
        var s = scratch[name] || (scratch[name] = new k.typedArrays[name](1));
        s[0] = value;
        return s[0];
    }
    function update(operation) {
        return function (array, position, value) {
            check(array);
            var i = index(array, position), v = k.toInt(value), old = array[i];
            array[i] = operation(old, v);
            return old;
        };
    }
    var ops = {
        add: update(function (a, b) { return a + b; }),
        sub: update(function (a, b) { return a - b; }),
        and: update(function (a, b) { return a & b; }),
        or: update(function (a, b) { return a | b; }),
        xor: update(function (a, b) { return a ^ b; }),
        exchange: update(function (a, b) { return b; }),
        load: function load(array, position) {
            check(array);
            return array[index(array, position)];
        },
        store: function store(array, position, value) {
            check(array);
            var i = index(array, position), v = k.toInt(value);
            array[i] = v;
            return v;
        },
        compareExchange: function compareExchange(array, position, expected, replacement) {
            var name = check(array);
            var i = index(array, position), e = k.toInt(expected), r = k.toInt(replacement), old = array[i];
            if (old === stored(name, e))
                array[i] = r;
            return old;
        },
        // One agent only: nothing can wake a waiter, so a wait that would block ends at once as timed out.
        wait: function wait(array, position, value, timeout) {
            check(array, true);
            if (!(array.buffer instanceof k.g.SharedArrayBuffer))
                throw k.typeError('[object Int32Array] is not a shared typed array.');
            var i = index(array, position), v = stored('Int32Array', k.toInt(value));
            return array[i] !== v ? 'not-equal' : 'timed-out';
        },
        notify: function notify(array, position, count) {
            check(array, true);
            index(array, position);
            return 0;
        }
    };
    var probe = new Int32Array(2);
    var calls = {
        add: function () { return A.add(probe, 0, 1); }, sub: function () { return A.sub(probe, 0, 1); },
        and: function () { return A.and(probe, 0, 1); }, or: function () { return A.or(probe, 0, 1); },
        xor: function () { return A.xor(probe, 0, 1); }, exchange: function () { return A.exchange(probe, 0, 1); },
        load: function () { return A.load(probe, 0); }, store: function () { return A.store(probe, 0, 1); },
        compareExchange: function () { return A.compareExchange(probe, 0, 1, 2); },
        wait: function () { return A.wait(new Int32Array(new k.g.SharedArrayBuffer(4)), 0, 1, 0); },
        notify: function () { return A.notify(probe, 0, 1); }
    };
    for (var name in ops) {
        if (broken(name, calls[name])) {
            k.named(ops[name], name);
            k.method(A, name, ops[name], true);
        }
    }
    if (typeof A.wake === 'function' && broken('wake', function () { return A.wake(probe, 0, 1); }))
        k.method(A, 'wake', ops.notify, true);
}

//@ sharedBuffer : SharedArrayBuffer < kit convert
function (k, g) {
    var Native = k.SharedArrayBuffer;
    if (typeof Native !== 'function' || new Uint8Array(new Native(4)).length === 4)
        return;
    // Views on the engine's shared buffers come out empty. One agent shares nothing, so a shared buffer here is an
    // ArrayBuffer with the shared prototype: views, DataView and the Atomics work on it.
    var proto = Native.prototype;
    var byteLength = k.getOwn(ArrayBuffer.prototype, 'byteLength').get;
    var nativeLength = k.getOwn(proto, 'byteLength').get;
    var SharedArrayBuffer = function SharedArrayBuffer(length) {
        if (new.target === undefined)
            throw k.typeError("Constructor SharedArrayBuffer requires 'new'");
        var buffer = new ArrayBuffer(length);
        Object.setPrototypeOf(buffer, new.target.prototype);
        return buffer;
    };
    k.defineProperty(SharedArrayBuffer, 'prototype', {value: proto, writable: false, enumerable: false,
                                                     configurable: false});
    k.statics(Native, SharedArrayBuffer);
    k.method(proto, 'constructor', SharedArrayBuffer, true);
    function lengthOf(buffer) {
        try {
            return byteLength.call(buffer);
        } catch (e) {
            return nativeLength.call(buffer);
        }
    }
    k.getter(proto, 'byteLength', k.named(function () {
        if (!(this instanceof SharedArrayBuffer))
            throw k.typeError('SharedArrayBuffer.prototype.byteLength called on an incompatible receiver');
        return lengthOf(this);
    }, 'get byteLength'), true);
    k.method(proto, 'slice', function slice(start, end) {
        if (!(this instanceof SharedArrayBuffer))
            throw k.typeError('SharedArrayBuffer.prototype.slice called on an incompatible receiver');
        var length = lengthOf(this);
        var from = k.relative(start, length), to = end === undefined ? length : k.relative(end, length);
        var count = Math.max(to - from, 0);
        var result = new SharedArrayBuffer(count);
        new Uint8Array(result).set(new Uint8Array(this, from, count));
        return result;
    }, true);
    k.global('SharedArrayBuffer', SharedArrayBuffer, true);
    k.SharedArrayBuffer = SharedArrayBuffer;
}
