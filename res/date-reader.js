// The reader of the date forms browsers read, compiled on the first date text a script reads (most scripts that name
// Date never parse one). This is the body of a function of (intrinsics), the engine's own Date, Function.call and
// Date methods taken when the dates were installed; it returns readDate(text), the time value or NaN.
'use strict';

var NativeDate = intrinsics.NativeDate, call = intrinsics.call, getTime = intrinsics.getTime, getters = intrinsics;

var NUMBER = 1, SYMBOL = 2, KEYWORD = 3, SPACE = 4, UNKNOWN = 5, END = 6;
var MONTH_NAME = 1, TIME_ZONE_NAME = 2, TIME_SEPARATOR = 3, AM_PM = 4, INVALID = 5;
var keywords = Object.create(null);
var keywordList = {jan: [MONTH_NAME, 1], feb: [MONTH_NAME, 2], mar: [MONTH_NAME, 3], apr: [MONTH_NAME, 4],
    may: [MONTH_NAME, 5], jun: [MONTH_NAME, 6], jul: [MONTH_NAME, 7], aug: [MONTH_NAME, 8], sep: [MONTH_NAME, 9],
    oct: [MONTH_NAME, 10], nov: [MONTH_NAME, 11], dec: [MONTH_NAME, 12], am: [AM_PM, 0], pm: [AM_PM, 12],
    ut: [TIME_ZONE_NAME, 0], utc: [TIME_ZONE_NAME, 0], z: [TIME_ZONE_NAME, 0], gmt: [TIME_ZONE_NAME, 0],
    cdt: [TIME_ZONE_NAME, -5], cst: [TIME_ZONE_NAME, -6], edt: [TIME_ZONE_NAME, -4], est: [TIME_ZONE_NAME, -5],
    mdt: [TIME_ZONE_NAME, -6], mst: [TIME_ZONE_NAME, -7], pdt: [TIME_ZONE_NAME, -7], pst: [TIME_ZONE_NAME, -8],
    t: [TIME_SEPARATOR, 0]};
Object.keys(keywordList).forEach(function (word) { keywords[word] = keywordList[word]; });
var NONE = 2147483647;

function isSpace(c) {
    return c === 9 || c === 10 || c === 11 || c === 12 || c === 13 || c === 32 || c === 0xa0 || c === 0x1680 ||
        (c >= 0x2000 && c <= 0x200a) || c === 0x2028 || c === 0x2029 || c === 0x202f || c === 0x205f ||
        c === 0x3000 || c === 0xfeff;
}
// Numbers (their first nine digits), the symbols : - + . ), words (their first three letters name a keyword; a
// longer word is a keyword only as a month), white space, and anything else, parenthesised text included.
function tokenize(text) {
    var tokens = [], i = 0, n = text.length;
    while (i < n) {
        var c = text.charCodeAt(i), start = i;
        if (c >= 48 && c <= 57) {
            var value = 0;
            for (; i < n && (c = text.charCodeAt(i)) >= 48 && c <= 57; i++)
                if (i - start < 9) value = value * 10 + c - 48;
            tokens.push({type: NUMBER, value: value, length: i - start});
        } else if (c === 58 || c === 45 || c === 43 || c === 46 || c === 41) {
            tokens.push({type: SYMBOL, value: text.charAt(i++)});
        } else if (c >= 65 && (c < 0xa0 || !isSpace(c))) {
            while (i < n && (c = text.charCodeAt(i)) >= 65 && (c < 0xa0 || !isSpace(c))) i++;
            var prefix = i - start === 1 ? String.fromCharCode(text.charCodeAt(start) | 0x20)
                : i - start === 2 ? String.fromCharCode(text.charCodeAt(start) | 0x20, text.charCodeAt(start + 1) | 0x20)
                : String.fromCharCode(text.charCodeAt(start) | 0x20, text.charCodeAt(start + 1) | 0x20,
                                      text.charCodeAt(start + 2) | 0x20);
            var entry = keywords[prefix] || null;
            if (entry && i - start > 3 && entry[0] !== MONTH_NAME) entry = null;
            tokens.push({type: KEYWORD, kind: entry ? entry[0] : INVALID, value: entry ? entry[1] : 0, length: i - start});
        } else if (isSpace(c)) {
            i++;
            tokens.push({type: SPACE});
        } else if (c === 40) {
            var balance = 0;
            do {
                c = text.charCodeAt(i);
                if (c === 41) --balance;
                else if (c === 40) ++balance;
                i++;
            } while (balance > 0 && i < n);
            tokens.push({type: UNKNOWN});
        } else {
            i++;
            tokens.push({type: UNKNOWN});
        }
    }
    tokens.push({type: END});
    return tokens;
}

function between(x, lo, hi) { return x >= lo && x <= hi; }
function isMonth(x) { return between(x, 1, 12); }
function isDay(x) { return between(x, 1, 31); }
function isHour(x) { return between(x, 0, 23); }
function isMinute(x) { return between(x, 0, 59); }
function isSecond(x) { return between(x, 0, 59); }
function isMillisecond(x) { return between(x, 0, 999); }

function Scanner(tokens) { this.tokens = tokens; this.at = 0; }
Scanner.prototype.next = function () { var t = this.tokens[this.at]; if (t.type !== END) this.at++; return t; };
Scanner.prototype.peek = function () { return this.tokens[this.at]; };
Scanner.prototype.skipSymbol = function (symbol) {
    var t = this.tokens[this.at];
    if (t.type === SYMBOL && t.value === symbol) { this.at++; return true; }
    return false;
};
function isNumber(t, length) { return t.type === NUMBER && (length === undefined || t.length === length); }
function isSymbol(t, symbol) { return t.type === SYMBOL && t.value === symbol; }
function isSign(t) { return t.type === SYMBOL && (t.value === '+' || t.value === '-'); }
function isKeywordZ(t) { return t.type === KEYWORD && t.kind === TIME_ZONE_NAME && t.length === 1 && t.value === 0; }
function milliseconds(t) {
    var value = t.value, length = t.length;
    if (length === 1) return value * 100;
    if (length === 2) return value * 10;
    if (length > 3) return floor(value / Math.pow(10, Math.min(length, 9) - 3));
    return value;
}
var floor = Math.floor;

function Day() { this.comp = []; this.namedMonth = NONE; this.iso = false; }
Day.prototype.add = function (n) { if (this.comp.length < 3) { this.comp.push(n); return true; } return false; };
Day.prototype.write = function (out) {
    var comp = this.comp;
    if (comp.length < 1) return false;
    while (comp.length < 3) comp.push(1);
    var year = 0, month, day;
    if (this.namedMonth === NONE) {
        if (this.iso || !isDay(comp[0])) { year = comp[0]; month = comp[1]; day = comp[2]; }
        else { month = comp[0]; day = comp[1]; year = comp[2]; }
    } else {
        month = this.namedMonth;
        if (!isDay(comp[0])) { year = comp[0]; day = comp[1]; }
        else { day = comp[0]; year = comp[1]; }
    }
    if (!this.iso) {
        if (between(year, 0, 49)) year += 2000;
        else if (between(year, 50, 99)) year += 1900;
    }
    if (!isMonth(month) || !isDay(day)) return false;
    out.year = year; out.month = month - 1; out.day = day;
    return true;
};
function Time() { this.comp = []; this.hourOffset = NONE; }
Time.prototype.isEmpty = function () { return this.comp.length === 0; };
Time.prototype.add = function (n) { if (this.comp.length < 4) { this.comp.push(n); return true; } return false; };
Time.prototype.addFinal = function (n) {
    if (!this.add(n)) return false;
    while (this.comp.length < 4) this.comp.push(0);
    return true;
};
Time.prototype.isExpecting = function (n) {
    var i = this.comp.length;
    return (i === 1 && isMinute(n)) || (i === 2 && isSecond(n)) || (i === 3 && isMillisecond(n));
};
Time.prototype.write = function (out) {
    var c = this.comp;
    while (c.length < 4) c.push(0);
    var hour = c[0];
    if (this.hourOffset !== NONE) {
        if (!between(hour, 0, 12)) return false;
        hour = hour % 12 + this.hourOffset;
    }
    if (!isHour(hour) || !isMinute(c[1]) || !isSecond(c[2]) || !isMillisecond(c[3])) {
        if (hour !== 24 || c[1] !== 0 || c[2] !== 0 || c[3] !== 0) return false;
    }
    out.hour = hour; out.minute = c[1]; out.second = c[2]; out.ms = c[3];
    return true;
};
function Zone() { this.sign = NONE; this.hour = NONE; this.minute = NONE; }
Zone.prototype.set = function (hours) { this.sign = hours < 0 ? -1 : 1; this.hour = Math.abs(hours); this.minute = 0; };
Zone.prototype.isExpecting = function (n) { return this.hour !== NONE && this.minute === NONE && isMinute(n); };
Zone.prototype.isUTC = function () { return this.hour === 0 && this.minute === 0; };
Zone.prototype.isEmpty = function () { return this.hour === NONE; };
Zone.prototype.write = function (out) {
    if (this.sign === NONE) { out.offset = NaN; return true; }
    var hour = this.hour === NONE ? 0 : this.hour, minute = this.minute === NONE ? 0 : this.minute;
    var seconds = hour * 3600 + minute * 60;
    if (seconds > 1073741823) return false;
    out.offset = this.sign < 0 ? -seconds : seconds;
    return true;
};

// The ISO form, as far as the text follows it: returns the first token it did not take, or null when the text
// breaks the form past the point where another reading could take over.
function readIso(scanner, day, time, zone) {
    var t = scanner.peek();
    if (isSign(t)) {
        var sign = scanner.next();
        if (!isNumber(scanner.peek(), 6)) return sign;
        var year = scanner.next().value;
        if (sign.value === '-' && year === 0) return sign;
        day.add(sign.value === '-' ? -year : year);
    } else if (isNumber(t, 4)) {
        day.add(scanner.next().value);
    } else {
        return scanner.next();
    }
    if (scanner.skipSymbol('-')) {
        if (!isNumber(scanner.peek(), 2) || !isMonth(scanner.peek().value)) return scanner.next();
        day.add(scanner.next().value);
        if (scanner.skipSymbol('-')) {
            if (!isNumber(scanner.peek(), 2) || !isDay(scanner.peek().value)) return scanner.next();
            day.add(scanner.next().value);
        }
    }
    t = scanner.peek();
    if (!(t.type === KEYWORD && t.kind === TIME_SEPARATOR)) {
        if (t.type !== END) return scanner.next();
    } else {
        scanner.next();
        if (!isNumber(scanner.peek(), 2) || !between(scanner.peek().value, 0, 24)) return null;
        var hourIs24 = scanner.peek().value === 24;
        time.add(scanner.next().value);
        if (!scanner.skipSymbol(':')) return null;
        if (!isNumber(scanner.peek(), 2) || !isMinute(scanner.peek().value) || (hourIs24 && scanner.peek().value > 0)) return null;
        time.add(scanner.next().value);
        if (scanner.skipSymbol(':')) {
            if (!isNumber(scanner.peek(), 2) || !isSecond(scanner.peek().value) || (hourIs24 && scanner.peek().value > 0)) return null;
            time.add(scanner.next().value);
            if (scanner.skipSymbol('.')) {
                if (!isNumber(scanner.peek()) || (hourIs24 && scanner.peek().value > 0)) return null;
                time.add(milliseconds(scanner.next()));
            }
        }
        if (isKeywordZ(scanner.peek())) {
            scanner.next();
            zone.set(0);
        } else if (isSign(scanner.peek())) {
            zone.sign = scanner.next().value === '+' ? 1 : -1;
            if (isNumber(scanner.peek(), 4)) {
                var hourMinute = scanner.next().value, h = floor(hourMinute / 100), m = hourMinute % 100;
                if (!isHour(h) || !isMinute(m)) return null;
                zone.hour = h; zone.minute = m;
            } else {
                if (!isNumber(scanner.peek(), 2) || !isHour(scanner.peek().value)) return null;
                zone.hour = scanner.next().value;
                if (!scanner.skipSymbol(':')) return null;
                if (!isNumber(scanner.peek(), 2) || !isMinute(scanner.peek().value)) return null;
                zone.minute = scanner.next().value;
            }
        }
        if (scanner.peek().type !== END) return null;
    }
    // Date-only forms are UTC, date-time forms local time.
    if (zone.isEmpty() && time.isEmpty()) zone.set(0);
    day.iso = true;
    return {type: END};
}

function readFields(text) {
    var scanner = new Scanner(tokenize(text)), day = new Day(), time = new Time(), zone = new Zone();
    var token = readIso(scanner, day, time, zone);
    if (token === null) return null;
    var hasReadNumber = day.comp.length > 0;
    for (; token.type !== END; token = scanner.next()) {
        if (token.type === NUMBER) {
            hasReadNumber = true;
            var n = token.value;
            if (scanner.skipSymbol(':')) {
                if (scanner.skipSymbol(':')) {
                    if (!time.isEmpty()) return null;
                    time.add(n);
                    time.add(0);
                } else {
                    if (!time.add(n)) return null;
                    if (isSymbol(scanner.peek(), '.')) scanner.next();
                }
            } else if (scanner.skipSymbol('.') && time.isExpecting(n)) {
                time.add(n);
                if (!isNumber(scanner.peek())) return null;
                var ms = milliseconds(scanner.next());
                if (ms < 0) return null;
                time.addFinal(ms);
            } else if (zone.isExpecting(n)) {
                zone.minute = n;
            } else if (time.isExpecting(n)) {
                time.addFinal(n);
                var peek = scanner.peek();
                if (peek.type !== END && peek.type !== SPACE && !isKeywordZ(peek) && !isSign(peek)) return null;
            } else {
                if (!day.add(n)) return null;
                scanner.skipSymbol('-');
            }
        } else if (token.type === KEYWORD) {
            if (token.kind === AM_PM && !time.isEmpty()) {
                time.hourOffset = token.value;
            } else if (token.kind === MONTH_NAME) {
                day.namedMonth = token.value;
                scanner.skipSymbol('-');
            } else if (token.kind === TIME_ZONE_NAME && hasReadNumber) {
                zone.set(token.value);
            } else {
                // A word after a number, or a word running into a number, makes the text unreadable.
                if (hasReadNumber) return null;
                if (isNumber(scanner.peek())) return null;
            }
        } else if (isSign(token) && (zone.isUTC() || !time.isEmpty())) {
            zone.sign = token.value === '+' ? 1 : -1;
            var value = 0, length = 0;
            if (isNumber(scanner.peek())) {
                var number = scanner.next();
                length = number.length;
                value = number.value;
            }
            hasReadNumber = true;
            if (isSymbol(scanner.peek(), ':')) {
                zone.hour = value;
                zone.minute = NONE;
            } else if (length === 1 || length === 2) {
                zone.hour = value;
                zone.minute = 0;
            } else if (length === 3 || length === 4) {
                zone.hour = floor(value / 100);
                zone.minute = value % 100;
            } else {
                return null;
            }
        } else if ((isSign(token) || isSymbol(token, ')')) && hasReadNumber) {
            return null;
        }
    }
    var out = {};
    return day.write(out) && time.write(out) && zone.write(out) ? out : null;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 0-based, day past the month's end rolls over).
function daysFromCivil(year, month, day) {
    year += floor(month / 12);
    month = ((month % 12) + 12) % 12;
    var y = month < 2 ? year - 1 : year, era = floor(y / 400), yoe = y - era * 400;
    var doy = floor((153 * (month < 2 ? month + 10 : month - 2) + 2) / 5) + day - 1;
    return era * 146097 + yoe * 365 + floor(yoe / 4) - floor(yoe / 100) + doy - 719468;
}
function readDate(text) {
    var f = readFields(text);
    if (f === null) return NaN;
    var t = daysFromCivil(f.year, f.month, f.day) * 86400000 + ((f.hour * 60 + f.minute) * 60 + f.second) * 1000 + f.ms;
    if (f.offset === f.offset) {
        t -= f.offset * 1000;
        return Math.abs(t) <= 8.64e15 ? t : NaN;
    }
    if (Math.abs(t) > 8.64e15 + 864e5 * 10) return NaN;
    // Local time, converted as the engine converts its own local times.
    var date = new NativeDate(0);
    call.call(getters.setFullYear, date, f.year, f.month, f.day);
    call.call(getters.setHours, date, f.hour, f.minute, f.second, f.ms);
    return call.call(getTime, date);
}

return readDate;
