// Intl, the locale methods of the built-ins and dates in the workbench's engine, against node's answers computed at
// test time, in three time zones; and what the library must never do: cost scripts that do not need it, show in the
// object tree, hand its native bridge to a script, or let hostile arguments take the process down.
#include "TestSupport.h"

#include "script/IntlLibrary.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJSEngine>
#include <QJSValueIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

namespace {

struct Case
{
    const char *name;
    const char *expression;
    const char *difference; // why node 20's bundled ICU/CLDR answers otherwise than Debian's ICU 72, or nullptr
};

// Each expression makes several calls; all run in each of the zones below.
const Case cases[] = {
    {"number locales", "['en-US','de-DE','zh-CN','ar-EG','ja-JP','fr-FR','hi-IN'].map(l => new Intl.NumberFormat(l).format(1234567.891))", nullptr},
    {"currency", "[['de-DE','EUR'],['en-US','USD'],['ja-JP','JPY'],['zh-CN','CNY'],['ar-EG','EGP']].map(p => new Intl.NumberFormat(p[0], {style:'currency', currency:p[1]}).format(-1234.5))", nullptr},
    {"currency display", "['code','symbol','narrowSymbol','name'].map(d => new Intl.NumberFormat('en-US',{style:'currency',currency:'EUR',currencyDisplay:d}).format(2))", nullptr},
    {"accounting", "[-5, 5, 0].map(x => new Intl.NumberFormat('en-US',{style:'currency',currency:'USD',currencySign:'accounting'}).format(x))", nullptr},
    {"percent", "[0.256, -1, 0.0001].map(x => new Intl.NumberFormat('de-DE',{style:'percent', maximumFractionDigits:1}).format(x))", nullptr},
    {"units", "[['kilometer-per-hour','long'],['liter','short'],['byte','narrow'],['celsius','short'],['percent','long']].map(p => ['en-US','zh-CN','de-DE'].map(l => new Intl.NumberFormat(l,{style:'unit',unit:p[0],unitDisplay:p[1]}).format(16)))", nullptr},
    {"compact", "[1234, 1234567, 0.5, 999999, -98765].map(x => [new Intl.NumberFormat('en-US',{notation:'compact'}).format(x), new Intl.NumberFormat('ja-JP',{notation:'compact',compactDisplay:'long'}).format(x), new Intl.NumberFormat('de-DE',{notation:'compact',compactDisplay:'long'}).format(x)])", nullptr},
    {"scientific", "[123456, 0.000123, -5].map(x => [new Intl.NumberFormat('en',{notation:'scientific'}).format(x), new Intl.NumberFormat('en',{notation:'engineering'}).format(x)])", nullptr},
    {"digits", "[new Intl.NumberFormat('en',{minimumSignificantDigits:1,maximumSignificantDigits:3}).format(123.456), new Intl.NumberFormat('en',{minimumSignificantDigits:2,maximumSignificantDigits:5}).format(0.5), new Intl.NumberFormat('en',{minimumFractionDigits:2, maximumFractionDigits:4}).format(1.23456), new Intl.NumberFormat('en',{minimumIntegerDigits:3}).format(5), new Intl.NumberFormat('en',{maximumFractionDigits:0}).format(2.5)]", nullptr},
    {"sign display", "['auto','never','always','exceptZero','negative'].map(s => [-1,0,-0,1].map(x => new Intl.NumberFormat('en',{signDisplay:s}).format(x)))", nullptr},
    {"grouping", "[true,false,'min2','always','auto'].map(g => new Intl.NumberFormat('en',{useGrouping:g}).format(1234)).concat([new Intl.NumberFormat('es').format(1234), new Intl.NumberFormat('es').format(12345), new Intl.NumberFormat('en-IN').format(12345678)])", nullptr},
    {"rounding modes", "['ceil','floor','expand','trunc','halfCeil','halfFloor','halfExpand','halfTrunc','halfEven'].map(m => [2.5,-2.5,1.5].map(x => new Intl.NumberFormat('en',{maximumFractionDigits:0, roundingMode:m}).format(x)))", nullptr},
    {"rounding increment and priority", "[new Intl.NumberFormat('en',{maximumFractionDigits:2, minimumFractionDigits:2, roundingIncrement:5}).format(1.234), new Intl.NumberFormat('en',{maximumFractionDigits:2, maximumSignificantDigits:2, roundingPriority:'morePrecision'}).format(1.234), new Intl.NumberFormat('en',{maximumFractionDigits:2, maximumSignificantDigits:2, roundingPriority:'lessPrecision'}).format(1.234), new Intl.NumberFormat('en',{minimumFractionDigits:2, trailingZeroDisplay:'stripIfInteger'}).format(5), new Intl.NumberFormat('en',{minimumFractionDigits:2, trailingZeroDisplay:'stripIfInteger'}).format(5.1)]", nullptr},
    {"special values", "[NaN, Infinity, -Infinity, -0, 1e21, 5e-7].map(x => [new Intl.NumberFormat('de-DE').format(x), new Intl.NumberFormat('ar-EG').format(x || 0)])", nullptr},
    {"Arabic NaN", "new Intl.NumberFormat('ar-EG').format(NaN)", "CLDR 48 (node) writes NaN in Arabic with a final tanwin, CLDR 42 (ICU 72) without"},
    {"decimal strings", "['12345678901234567890.123', '1e3', ' 42 ', '0x10', 'abc', '', '-0.5', '1e400'].map(x => new Intl.NumberFormat('en').format(x))", nullptr},
    {"number parts", "[new Intl.NumberFormat('de-DE',{style:'currency',currency:'EUR'}).formatToParts(-1234.56), new Intl.NumberFormat('en',{notation:'compact'}).formatToParts(12345), new Intl.NumberFormat('en',{style:'percent',signDisplay:'always'}).formatToParts(0.5), new Intl.NumberFormat('en',{notation:'scientific'}).formatToParts(-0.00012), new Intl.NumberFormat('en').formatToParts(NaN), new Intl.NumberFormat('en',{style:'unit',unit:'meter',unitDisplay:'long'}).formatToParts(-1)]", nullptr},
    {"number ranges", "[[3,5],[3,3],[-5,5],[1000,100000],[5,3]].map(p => [new Intl.NumberFormat('en-US',{style:'currency',currency:'USD',maximumFractionDigits:0}).formatRange(p[0],p[1]), new Intl.NumberFormat('de-DE').formatRange(p[0],p[1])])", nullptr},
    {"number range parts", "[new Intl.NumberFormat('de-DE').formatRangeToParts(1000, 2000.5), new Intl.NumberFormat('en',{style:'percent'}).formatRangeToParts(-0.1, 0.2)]", nullptr},
    {"number resolved options", "[{}, {style:'percent'}, {notation:'compact'}, {maximumSignificantDigits:2}, {style:'currency',currency:'jpy'}, {style:'unit',unit:'meter'}, {roundingIncrement:5, maximumFractionDigits:1, minimumFractionDigits:1}, {useGrouping:false}].map(o => new Intl.NumberFormat('de', o).resolvedOptions())", nullptr},
    {"numbering systems", "['ar-EG','hi-IN-u-nu-deva','zh-CN-u-nu-hanidec','th-u-nu-thai','en-u-nu-bogus'].map(l => { var f = new Intl.NumberFormat(l); return [f.resolvedOptions().locale, f.resolvedOptions().numberingSystem, f.format(123.4)]; })", nullptr},
    {"Arabic default digits", "[new Intl.NumberFormat('ar').resolvedOptions().numberingSystem, new Intl.NumberFormat('ar').format(123.4)]", "CLDR 48 (node) made Latin digits the default for Arabic without a region, CLDR 42 (ICU 72) Arabic-Indic digits"},
    {"number errors", "[() => new Intl.NumberFormat('en',{style:'currency'}), () => new Intl.NumberFormat('en',{style:'bogus'}), () => new Intl.NumberFormat('en',{maximumFractionDigits:200}), () => new Intl.NumberFormat('en',{currency:'EURO'}), () => new Intl.NumberFormat('x'), () => new Intl.NumberFormat('en',{unit:'parsec', style:'unit'}), () => new Intl.NumberFormat('en').formatRange(NaN, 1), () => new Intl.NumberFormat('en').formatRange(1), () => Intl.NumberFormat.prototype.format.call({})].map(f => { try { f(); return 'ok'; } catch (e) { return e.name; } })", nullptr},
    {"number object", "[typeof Intl.NumberFormat(), Intl.NumberFormat.length, Intl.NumberFormat.name, [1,2000].map(new Intl.NumberFormat('de').format), Object.prototype.toString.call(new Intl.NumberFormat()), Intl.NumberFormat.supportedLocalesOf(['de-DE','zz','en-US','zh-Hans-CN']), new Intl.NumberFormat() instanceof Intl.NumberFormat]", nullptr},
    {"Number toLocaleString", "[(1234.5).toLocaleString(), (1234.5).toLocaleString('de-DE'), (1234.5).toLocaleString('zh-CN',{style:'currency',currency:'CNY'}), (0.5).toLocaleString('ar-EG',{style:'percent'}), (1e21).toLocaleString('ja-JP'), (5).toLocaleString(['zz', 'de']), new Number(7.5).toLocaleString('fr')]", nullptr},
    {"Number toLocaleString errors", "[() => Number.prototype.toLocaleString.call('x'), () => (1).toLocaleString('?'), () => (1).toLocaleString('en', {style:'currency'})].map(f => { try { return f(); } catch (e) { return e.name; } })", nullptr},

    {"plural", "[0,1,2,3,5,11,100,1.5].map(n => ['en','ar','ru','ja','pl','fr'].map(l => new Intl.PluralRules(l).select(n)))", nullptr},
    {"ordinal", "[1,2,3,4,11,12,13,21,22,23,101].map(n => new Intl.PluralRules('en-US',{type:'ordinal'}).select(n))", nullptr},
    {"plural options", "[['en','ar','ru','zh-CN','de-DE'].map(l => new Intl.PluralRules(l).resolvedOptions()), new Intl.PluralRules('en',{minimumFractionDigits:1}).select(1), new Intl.PluralRules('en',{maximumSignificantDigits:1}).select(1.2), new Intl.PluralRules('en',{maximumSignificantDigits:3}).resolvedOptions()]", nullptr},
    {"plural ranges", "[[1,2],[0,1],[1,1]].map(p => [new Intl.PluralRules('en').selectRange(p[0],p[1]), new Intl.PluralRules('fr').selectRange(p[0],p[1])])", nullptr},

    {"date default", "[0, 1e12, -1e12, 1.7e12].map(t => [new Intl.DateTimeFormat().format(t), new Intl.DateTimeFormat().resolvedOptions().timeZone])", nullptr},
    {"date styles by locale", "['en-US','de-DE','zh-CN','ar-EG','ja-JP','en-GB','fr-FR'].map(l => new Intl.DateTimeFormat(l, {dateStyle:'full', timeStyle:'long'}).format(1.7e12))", nullptr},
    {"Korean day period", "new Intl.DateTimeFormat('ko-KR', {dateStyle:'full', timeStyle:'long'}).format(1.7e12)", "CLDR 48 (node) writes AM and PM in Korean date-times, CLDR 42 (ICU 72) the Korean words"},
    {"date styles", "['full','long','medium','short'].map(s => [new Intl.DateTimeFormat('en-US',{dateStyle:s, timeStyle:s}).format(1.7e12), new Intl.DateTimeFormat('zh-CN',{dateStyle:s}).format(1.7e12), new Intl.DateTimeFormat('de-DE',{timeStyle:s}).format(1.7e12)])", nullptr},
    {"date components", "[new Intl.DateTimeFormat('zh-CN',{year:'numeric',month:'long',day:'numeric',weekday:'long',hour:'2-digit',minute:'2-digit'}).format(1.7e12), new Intl.DateTimeFormat('de-DE',{weekday:'short',day:'2-digit',month:'short',year:'2-digit',hour:'numeric',minute:'numeric',second:'numeric'}).format(1.7e12), new Intl.DateTimeFormat('en-US',{month:'narrow'}).format(1.7e12), new Intl.DateTimeFormat('ja-JP',{year:'numeric',month:'short'}).format(1.7e12), new Intl.DateTimeFormat('en-US',{minute:'2-digit'}).format(1.7e12)]", nullptr},
    {"date zones", "['UTC','Asia/Tokyo','America/Los_Angeles','Europe/London','Asia/Kolkata','Australia/Adelaide','Etc/GMT+5'].map(z => new Intl.DateTimeFormat('en-US',{timeZone:z, timeStyle:'full', dateStyle:'short'}).format(1.7e12))", nullptr},
    {"zone names", "['short','long','shortOffset','longOffset','shortGeneric','longGeneric'].map(n => [new Intl.DateTimeFormat('en-US',{timeZoneName:n}).format(1.7e12), new Intl.DateTimeFormat('de-DE',{timeZoneName:n, timeZone:'Europe/Berlin'}).format(1.7e12)])", nullptr},
    {"hour cycles", "[{hour12:true},{hour12:false},{hourCycle:'h11'},{hourCycle:'h23'},{hourCycle:'h24'},{}].map(o => ['en-US','ja-JP','de-DE'].map(l => { var f = new Intl.DateTimeFormat(l, Object.assign({hour:'numeric', minute:'numeric', timeZone:'UTC'}, o)); return [f.format(0), f.resolvedOptions().hourCycle, f.resolvedOptions().hour12]; }))", nullptr},
    {"hour cycle keyword", "['en-US-u-hc-h23','ja-JP-u-hc-h11','de-u-hc-h12'].map(l => { var f = new Intl.DateTimeFormat(l, {timeStyle:'short', timeZone:'UTC'}); return [f.format(0), f.resolvedOptions().locale, f.resolvedOptions().hourCycle]; })", nullptr},
    {"era, fractions, day periods", "[new Intl.DateTimeFormat('en',{era:'long',year:'numeric'}).format(-1e14), new Intl.DateTimeFormat('en',{second:'numeric',fractionalSecondDigits:3}).format(1234), new Intl.DateTimeFormat('en',{hour:'numeric',dayPeriod:'long'}).format(1.7e12), new Intl.DateTimeFormat('zh-CN',{hour:'numeric',dayPeriod:'short'}).format(1.7e12)]", nullptr},
    {"calendars", "['ja-JP-u-ca-japanese','th-TH','fa-IR','en-u-ca-islamic-civil','zh-TW-u-ca-roc'].map(l => { var f = new Intl.DateTimeFormat(l,{dateStyle:'long', timeZone:'UTC'}); return [f.format(1.7e12), f.resolvedOptions().calendar, f.resolvedOptions().numberingSystem]; })", nullptr},
    {"Saudi calendar", "new Intl.DateTimeFormat('ar-SA',{dateStyle:'long', timeZone:'UTC'}).resolvedOptions().calendar", "CLDR 48 (node) made the Gregorian calendar the default for ar-SA, CLDR 42 (ICU 72) the Umm al-Qura calendar"},
    {"Canadian and Swiss forms", "[new Date(1.7e12).toLocaleDateString('en-CA', {timeZone: 'UTC'}), (1234.5).toLocaleString('de-CH')]", "CLDR 48 (node) writes en-CA dates as 2023-11-14 and groups de-CH digits with an apostrophe, CLDR 42 (ICU 72) writes 11/14/2023 and groups with a right single quotation mark"},
    {"date resolved options", "[new Intl.DateTimeFormat('en-US').resolvedOptions(), new Intl.DateTimeFormat('de',{hour:'numeric'}).resolvedOptions(), new Intl.DateTimeFormat('ja',{dateStyle:'medium'}).resolvedOptions(), new Intl.DateTimeFormat('en',{timeZone:'asia/kolkata', month:'long'}).resolvedOptions(), new Intl.DateTimeFormat('en',{timeZone:'Etc/UTC'}).resolvedOptions().timeZone]", nullptr},
    {"lunisolar calendars", "['zh-CN-u-ca-chinese','he-IL-u-ca-hebrew','en-u-ca-buddhist-nu-thai'].map(l => { var f = new Intl.DateTimeFormat(l, {dateStyle:'long', timeZone:'UTC'}); return [f.format(1.7e12), new Intl.DateTimeFormat(l).resolvedOptions()]; })", "CLDR 48 (node) writes Chinese calendar days as 初二 and Hebrew dates in Hebrew numerals, and writes the Buddhist era short; CLDR 42 (ICU 72) writes digits and the era narrow"},
    {"date parts", "[new Intl.DateTimeFormat('en-US',{dateStyle:'full',timeStyle:'full'}).formatToParts(1.7e12), new Intl.DateTimeFormat('zh-CN',{year:'numeric',month:'long',day:'numeric'}).formatToParts(0)]", nullptr},
    {"date ranges", "[[0, 3600000],[0, 86400000*3],[0, 86400000*400],[0,0]].map(p => [new Intl.DateTimeFormat('en-US',{dateStyle:'medium'}).formatRange(p[0], p[1]), new Intl.DateTimeFormat('zh-CN',{hour:'numeric',minute:'numeric'}).formatRange(p[0], p[1]), new Intl.DateTimeFormat('de-DE',{year:'numeric',month:'long',day:'numeric'}).formatRange(p[0], p[1])])", nullptr},
    {"date range parts", "[new Intl.DateTimeFormat('en-US',{hour:'numeric',minute:'numeric',timeZone:'UTC'}).formatRangeToParts(0, 7200000), new Intl.DateTimeFormat('en-US',{timeZone:'UTC'}).formatRangeToParts(0, 0)]", nullptr},
    {"date errors", "[() => new Intl.DateTimeFormat('en',{timeZone:'Mars/Base'}), () => new Intl.DateTimeFormat('en').format(NaN), () => new Intl.DateTimeFormat('en',{dateStyle:'full', hour:'numeric'}), () => new Intl.DateTimeFormat('en').formatRange(0), () => new Intl.DateTimeFormat('en',{hour:'long'}), () => new Intl.DateTimeFormat('en',{fractionalSecondDigits:4}), () => new Date(0).toLocaleDateString('en',{timeStyle:'short'}), () => new Date(0).toLocaleTimeString('en',{dateStyle:'short'})].map(f => { try { return f(); } catch (e) { return e.name; } })", nullptr},
    {"Date toLocale methods", "(function () { var d = new Date(1.7e12); return [d.toLocaleString(), d.toLocaleDateString(), d.toLocaleTimeString(), d.toLocaleString('de-DE'), d.toLocaleDateString('zh-CN',{year:'numeric',month:'long',day:'numeric'}), d.toLocaleTimeString('ja-JP'), d.toLocaleDateString('ar-EG',{weekday:'long'}), d.toLocaleString('en-GB',{timeZone:'UTC'}), new Date(NaN).toLocaleString(), d.toLocaleTimeString('en-US',{hour:'2-digit'}), d.toLocaleDateString(undefined, {month:'long'})]; })()", nullptr},

    {"collation by locale", "['de','sv','en','es'].map(l => ['z','ä','a','Ä','ö','o','ñ','n'].sort(new Intl.Collator(l).compare))", nullptr},
    {"collation sensitivity", "['base','accent','case','variant'].map(s => [['a','á'],['a','A'],['a','b'],['á','A']].map(p => [new Intl.Collator('en',{sensitivity:s}).compare(p[0],p[1]), new Intl.Collator('en',{sensitivity:s, usage:'search'}).compare(p[0],p[1])]))", nullptr},
    {"collation options", "[['item10','item2','item1'].sort(new Intl.Collator('en',{numeric:true}).compare), ['a','A','b','B'].sort(new Intl.Collator('en',{caseFirst:'upper'}).compare), ['a','A'].sort(new Intl.Collator('en-u-kf-upper').compare), new Intl.Collator('en',{ignorePunctuation:true}).compare('a-b','ab'), ['张','李','王','赵'].sort(new Intl.Collator('zh-CN').compare), ['Müller','Mueller','Muller'].sort(new Intl.Collator('de-u-co-phonebk').compare)]", nullptr},
    {"collator resolved options", "['de','th','en-u-kn-true','de-u-co-phonebk','sv','zh-u-co-stroke','en-u-co-search'].map(l => new Intl.Collator(l).resolvedOptions()).concat([new Intl.Collator('en',{usage:'search'}).resolvedOptions(), new Intl.Collator('en',{numeric:true, caseFirst:'lower', sensitivity:'base'}).resolvedOptions()])", nullptr},
    {"localeCompare", "['a'.localeCompare('b'), 'a'.localeCompare('b','sv'), 'ä'.localeCompare('z','de'), 'ä'.localeCompare('z','sv'), 'a'.localeCompare('A',undefined,{sensitivity:'base'}), '10'.localeCompare('2',undefined,{numeric:true}), 'résumé'.localeCompare('resume','en',{sensitivity:'accent'}), ''.localeCompare('')]", nullptr},
    {"locale case", "['istanbul'.toLocaleUpperCase('tr'), 'I'.toLocaleLowerCase('tr'), 'I'.toLocaleLowerCase('en-US'), 'i'.toLocaleUpperCase(), 'ΌΣΟΣ'.toLocaleLowerCase('el'), 'ß'.toLocaleUpperCase('de'), 'İ'.toLocaleLowerCase('az'), 'i'.toLocaleUpperCase(['lt','tr']), 'Iİ'.toLocaleLowerCase('lt')]", nullptr},

    {"relative time", "[-1,0,1,2,-3.5,-0].map(v => ['day','year','second','quarter','weeks'].map(u => new Intl.RelativeTimeFormat('en').format(v,u)))", nullptr},
    {"relative time styles", "[new Intl.RelativeTimeFormat('en',{numeric:'auto'}).format(-1,'day'), new Intl.RelativeTimeFormat('zh-CN',{numeric:'auto'}).format(1,'day'), new Intl.RelativeTimeFormat('de',{style:'short'}).format(-3,'month'), new Intl.RelativeTimeFormat('ar-EG').format(5,'hour'), new Intl.RelativeTimeFormat('ja-JP',{style:'narrow'}).format(-2,'week'), new Intl.RelativeTimeFormat('en',{numeric:'auto'}).format(0,'year'), new Intl.RelativeTimeFormat('en',{numeric:'auto'}).format(2,'day')]", nullptr},
    {"relative time parts", "[new Intl.RelativeTimeFormat('en').formatToParts(-1234.5,'day'), new Intl.RelativeTimeFormat('es',{numeric:'auto'}).formatToParts(2,'day'), new Intl.RelativeTimeFormat('ar-EG').resolvedOptions(), new Intl.RelativeTimeFormat('de',{style:'narrow',numeric:'auto'}).resolvedOptions()]", nullptr},
    {"relative time errors", "[() => new Intl.RelativeTimeFormat('en').format(1,'decade'), () => new Intl.RelativeTimeFormat('en').format(Infinity,'day'), () => Intl.RelativeTimeFormat(), () => new Intl.RelativeTimeFormat('en',{style:'tiny'})].map(f => { try { return f(); } catch (e) { return e.name; } })", nullptr},

    {"lists", "['en','de','zh-CN','ja-JP','ar-EG','es'].map(l => [new Intl.ListFormat(l).format(['a','b','c']), new Intl.ListFormat(l,{type:'disjunction'}).format(['a','b']), new Intl.ListFormat(l,{type:'unit',style:'narrow'}).format(['1','2','3'])])", nullptr},
    {"list parts and options", "[new Intl.ListFormat('en',{style:'short'}).formatToParts(['x','y','z']), new Intl.ListFormat('en').format([]), new Intl.ListFormat('en').format(['solo']), new Intl.ListFormat('fr').resolvedOptions(), new Intl.ListFormat('en').format(new Set(['p','q'])), (function () { try { return new Intl.ListFormat('en').format([1]); } catch (e) { return e.name; } })()]", nullptr},

    {"display names", "[['en','region','DE'],['zh-CN','region','US'],['de','language','en-US'],['ja-JP','language','zh-Hant'],['en','script','Latn'],['en','currency','JPY'],['ar-EG','region','EG'],['en','calendar','gregory'],['en','dateTimeField','weekday'],['zh-CN','dateTimeField','month'],['en','language','fr-CA']].map(p => new Intl.DisplayNames(p[0],{type:p[1]}).of(p[2]))", nullptr},
    {"display name options", "[new Intl.DisplayNames('en',{type:'region',fallback:'none'}).of('ZZ'), new Intl.DisplayNames('en',{type:'region'}).of('ZZ'), new Intl.DisplayNames('en',{type:'language',languageDisplay:'standard'}).of('en-GB'), new Intl.DisplayNames('en',{type:'language'}).of('en-GB'), new Intl.DisplayNames('en',{type:'currency',style:'narrow'}).of('USD'), new Intl.DisplayNames('en',{type:'region',style:'short'}).of('GB'), new Intl.DisplayNames('de',{type:'currency'}).resolvedOptions(), new Intl.DisplayNames('en',{type:'language'}).resolvedOptions()]", nullptr},
    {"display name errors", "[() => new Intl.DisplayNames('en'), () => new Intl.DisplayNames('en',{type:'region'}).of('12345'), () => new Intl.DisplayNames('en',{type:'currency'}).of('EU'), () => Intl.DisplayNames('en',{type:'region'})].map(f => { try { return f(); } catch (e) { return e.name; } })", nullptr},

    {"word segments", "[...new Intl.Segmenter('en',{granularity:'word'}).segment(\"Hello, world! It's 3.5 o'clock.\")].map(s => [s.segment, s.index, s.isWordLike])", nullptr},
    {"grapheme segments", "[...new Intl.Segmenter().segment('e\\u0301\\ud83d\\udc68\\u200d\\ud83d\\udc69\\u200d\\ud83d\\udc67\\ud83c\\udde8\\ud83c\\uddf3a')].map(s => [s.segment, s.index])", nullptr},
    {"sentences and lookups", "[[...new Intl.Segmenter('en',{granularity:'sentence'}).segment('Hi there. How are you? Fine!')].map(s=>s.segment), new Intl.Segmenter('en',{granularity:'word'}).segment('ab cd').containing(3), new Intl.Segmenter().segment('abc').containing(5), new Intl.Segmenter().segment('abc').containing(-1), new Intl.Segmenter('ja').resolvedOptions(), new Intl.Segmenter('en',{granularity:'sentence'}).resolvedOptions(), Object.prototype.toString.call(new Intl.Segmenter().segment('a')[Symbol.iterator]())]", nullptr},
    {"chinese words", "[...new Intl.Segmenter('zh-CN',{granularity:'word'}).segment('我们今天去北京')].map(s=>s.segment)", nullptr},

    {"locale objects", "['en-Latn-US-u-ca-gregory-hc-h12','zh-Hant-TW','de-DE-u-co-phonebk-kn','ja'].map(t => { var l = new Intl.Locale(t); return [l.toString(), l.baseName, l.language, l.script, l.region, l.calendar, l.collation, l.hourCycle, l.numeric, l.caseFirst, l.numberingSystem]; })", nullptr},
    {"locale options", "[new Intl.Locale('en',{region:'GB', calendar:'buddhist', hourCycle:'h23', numeric:true}).toString(), new Intl.Locale('zh').maximize().toString(), new Intl.Locale('zh-Hans-CN').minimize().toString(), new Intl.Locale('und').maximize().toString(), new Intl.Locale('ar-EG').maximize().baseName, new Intl.Locale(new Intl.Locale('de-AT')).toString(), new Intl.Locale('en-US', {script:'Latn'}).toString(), String(new Intl.Locale('fr'))]", nullptr},
    {"locale info", "['en-US','de-DE','ar-EG','ja-JP','zh-CN'].map(t => { var l = new Intl.Locale(t); return [l.hourCycles, l.numberingSystems, l.textInfo, l.weekInfo]; })", nullptr},
    {"locale errors", "[() => new Intl.Locale(''), () => new Intl.Locale('en-US-x'), () => new Intl.Locale(5), () => Intl.Locale('en'), () => new Intl.Locale('en', {region:'XYZ1'})].map(f => { try { return String(f()); } catch (e) { return e.name; } })", nullptr},

    {"canonical locales", "Intl.getCanonicalLocales(['EN-us','zh-hans-cn','de-de-u-co-phonebk','en-US','iw','en-u-ca-gregory-nu-latn','en-x-private','es-419', 'EN-LATN-us'])", nullptr},
    {"invalid locales", "['', 'en-', '123', 'en-US-u', 'de-1996-1996', 'en-a-b-a-c', 'i-klingon', 'en_US', 'toolongsubtag'].map(t => { try { return Intl.getCanonicalLocales(t); } catch (e) { return e.name; } })", nullptr},
    {"supported values", "['calendar','unit'].map(k => Intl.supportedValuesOf(k)).concat([(function () { try { return Intl.supportedValuesOf('bogus'); } catch (e) { return e.name; } })()])", nullptr},
    {"supported value lists", "['collation','numberingSystem'].map(k => Intl.supportedValuesOf(k))", "ICU 78 (node) knows the numbering systems added since ICU 72 (gara, gukh, krai, ...) and no longer lists the big5han and gb2312 collations"},
    {"Intl surface", "[Object.getOwnPropertyNames(Intl), Object.prototype.toString.call(Intl), Object.getOwnPropertyNames(Intl.NumberFormat.prototype), Object.getOwnPropertyNames(Intl.DateTimeFormat.prototype), Object.getOwnPropertyNames(Intl.Collator.prototype), Object.getOwnPropertyNames(Intl.Segmenter.prototype), Object.getOwnPropertyNames(Intl.Locale.prototype), typeof Object.getOwnPropertyDescriptor(Intl.NumberFormat.prototype,'format').get, Intl.DateTimeFormat.length, Object.keys(Intl), Intl.Collator.supportedLocalesOf('de')]", nullptr},
    {"Array toLocaleString", "[[1234.5, new Date(1.7e12), null, 'x'].toLocaleString('de-DE'), [1234.5, new Date(1.7e12)].toLocaleString('ja-JP', {timeZone:'UTC'}), [1e6].toLocaleString(), new Float64Array([1.5, 1234]).toLocaleString('de'), ({}).toLocaleString(), Object.prototype.toLocaleString.call(1234.5), [[1000, 2000], 3000].toLocaleString('en-IN')]", nullptr},

    {"browser date forms", "['August 19, 1975 23:15:30 GMT+07:00', '05 October 2011 14:48 UTC', 'July 1, 1999, 12:00:00', '14 Jun 2017 00:00:00 PDT', 'Tue Aug 19 1975 23:15:30 GMT+0700 (Indochina Time)', 'Thu, 01 Jan 1970 00:00:00 GMT', 'Aug 9, 1995', 'Wed, 09 Aug 1995 00:00:00 GMT-0400', 'December 17, 1995 03:24:00', '1995-12-17T03:24:00', 'Sun Feb 01 1998 00:00:00 GMT+0000 (GMT)'].map(Date.parse)", nullptr},
    {"ISO date forms", "['2011-10-10', '2011-10-10T14:48:00', '2011-10-10T14:48:00.000+09:00', '2011-10-10T14:48:00Z', '2011-10', '2011', '+002011-10-10T00:00:00Z', '-000001-01-01T00:00:00Z', '2011-10-10 14:48:00', '2011-10-10T24:00:00', '2011-10-10T14:48:00.1234567Z', '2011-10-10T14:48', '2011-10-10T14:48:00+0530', '-000000-01-01T00:00:00Z'].map(Date.parse)", nullptr},
    {"zones and day periods", "['1/2/2000 10:00 PM EST', '1/2/2000 10:00 AM CDT', '12/31/1999 11:59:59 pm MST', 'Jan 1 2000 12:00 am PST', '2000/01/02 03:04:05', 'Jan 1 2000 13:00 PM', 'Jan 1 2000 10:00 GMT-8', 'Jan 1 2000 10:00 UTC+0130', 'Jan 1 2000 10:00 EDT', 'Jan 1 2000 10:00 MDT', 'Jan 1 2000 10:00 CST', 'Jan 1 2000 10:00 Z'].map(Date.parse)", nullptr},
    {"two-digit years", "['1/1/49', '1/1/50', '1/1/99', '1/1/00', 'Jan 1 49', '1 Jan 50', 'Aug 9', '1/2', '99 Jan 1', '12-31-98'].map(s => new Date(s).getFullYear())", nullptr},
    {"unreadable dates", "['', 'hello', 'Jan 2000 foo', '32/1/2000', '2000-13-01', '10:00', '(comment) Jan 1 2000', 'Sat, 01-Jan-2000 08:00:00 GMT', 'Mon Jan 1 2000 (x) 10:00', '2000-01-01T10:00:00 GMT', 'Jan 1 2000 25:00', '1 2 3 4', 'T10:00'].map(Date.parse)", nullptr},
    {"Date constructor", "[new Date('August 19, 1975 23:15:30 GMT+07:00').getTime(), new Date(new String('2000-01-01')).getTime(), new Date(new Date(5)).getTime(), new Date({valueOf: () => 7}).getTime(), new Date({toString: () => 'Jan 1 2000 UTC', valueOf: undefined}).getTime(), new Date(2000, 0).getTime(), Date.UTC(2000,0), typeof Date(), typeof Date(2000, 1), Date.length, Date.name, Date.prototype.constructor === Date, new Date(0) instanceof Date, new Date('x').getTime(), new Date(true).getTime(), new Date(null).getTime()]", nullptr},
    {"Date subclass", "(function () { class D extends Date { year() { return this.getUTCFullYear(); } } var d = new D('2000-06-01'); return [d.year(), d instanceof D, d instanceof Date, Object.getPrototypeOf(D) === Date, JSON.stringify(d), new D(2001, 1).getMonth(), typeof Reflect.construct(Date, ['1 Jan 2000 UTC'], D).year]; })()", nullptr},
    {"Date texts", "[new Date(1.7e12).toString(), new Date(1.7e12).toDateString(), new Date(1.7e12).toTimeString(), new Date(1.7e12).toUTCString(), new Date(-1e14).toUTCString(), new Date(-62198755200000).toUTCString(), new Date(NaN).toString(), String(new Date(0)), new Date(0) + '', Date.prototype.toGMTString === Date.prototype.toUTCString, new Date(2020, 0, 5).toDateString(), new Date(8.64e15).toUTCString(), JSON.stringify(new Date(0))]", nullptr},
    {"Date texts before 1900", "[new Date(-1e14).toString(), new Date(1800, 0, 1).getTimezoneOffset()]", "For dates before standard time zones the engine keeps the zone's standard offset, node the local mean time (+08:05:43 in Shanghai); the engine's local time is kept as it is"},
    {"Date texts across the year", "[new Date(2020, 6, 1, 12).toString(), new Date(2020, 0, 1, 12).toTimeString(), new Date(1990, 6, 1).toString(), new Date(2021, 2, 28, 1, 30).toString(), new Date(2021, 9, 31, 3).toString()]", nullptr},
};

const char *const zones[] = {"Asia/Shanghai", "America/New_York", "Europe/Berlin"};

// What one engine gave for every case, in one time zone.
QStringList answers(const QString &program, const QStringList &arguments, const QString &zone)
{
    QJsonArray texts;
    for (const Case &c : cases)
        texts.append(QString::fromUtf8(c.expression));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), zone);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {QStringLiteral("%1 did not start").arg(program)};
    process.write(QJsonDocument(texts).toJson(QJsonDocument::Compact));
    process.closeWriteChannel();
    process.waitForFinished(120000);
    QStringList list;
    for (const QJsonValue &value : QJsonDocument::fromJson(process.readAllStandardOutput()).array())
        list.append(value.toString());
    return list;
}

// The same driver as IntlChild's, for node.
const char nodeDriver[] =
    "const texts = JSON.parse(require('fs').readFileSync(0, 'utf8'));"
    "process.stdout.write(JSON.stringify(texts.map(text => { try { const v = (0, eval)(text);"
    " return v === undefined ? 'undefined' : JSON.stringify(v); } catch (e) { return 'throws ' + (e && e.name); } })));";

} // namespace

class IntlLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void matchesNode_data();
    void matchesNode();
    void installsOnlyWhatTheTextNames_data();
    void installsOnlyWhatTheTextNames();
    void nativeBridgeIsUnreachable();
    void hostileArgumentsAreRefused_data();
    void hostileArgumentsAreRefused();
    void sabotagedBuiltInsCannotHoldTheInstallation();

private:
    QHash<QString, QPair<QStringList, QStringList>> results; // zone -> (ours, node's)
};

void IntlLibraryTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void IntlLibraryTest::matchesNode_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("difference");
    for (const char *zone : zones)
        for (int i = 0; i < int(sizeof cases / sizeof *cases); ++i)
            QTest::addRow("%s, %s", cases[i].name, zone)
                << i << QString::fromLatin1(zone) << QString::fromUtf8(cases[i].difference ? cases[i].difference : "");
}

void IntlLibraryTest::matchesNode()
{
    QFETCH(int, index);
    QFETCH(QString, zone);
    QFETCH(QString, difference);
    if (!results.contains(zone)) {
        results.insert(zone, {answers(QStringLiteral(INTL_CHILD), {}, zone),
                              answers(TestSupport::nodeProgram(), {QStringLiteral("-e"), QString::fromLatin1(nodeDriver)},
                                      zone)});
    }
    const QPair<QStringList, QStringList> &both = results[zone];
    QVERIFY2(both.second.size() > index, "node is not installed or failed (./velmora.sh test installs nodejs)");
    QVERIFY2(both.first.size() > index, "the engine's child process failed");
    if (!difference.isEmpty())
        QEXPECT_FAIL("", qPrintable(difference), Continue);
    QCOMPARE(both.first.at(index), both.second.at(index));
}

void IntlLibraryTest::installsOnlyWhatTheTextNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("intl");
    QTest::addColumn<bool>("dates");
    QTest::newRow("nothing named") << "var a = [1, 2].map(function (x) { return x * 2; });" << false << false;
    QTest::newRow("Intl") << "typeof Intl" << true << false;
    QTest::newRow("toLocaleString") << "(5).toLocaleString('de')" << true << false;
    QTest::newRow("localeCompare") << "'a'.localeCompare('b')" << true << false;
    QTest::newRow("Date") << "Date.now()" << false << true;
    QTest::newRow("both") << "new Date().toLocaleDateString()" << true << true;
}

void IntlLibraryTest::installsOnlyWhatTheTextNames()
{
    QFETCH(QString, text);
    QFETCH(bool, intl);
    QFETCH(bool, dates);
    QJSEngine engine;
    const QJSValue nativeDate = engine.globalObject().property(QStringLiteral("Date"));
    const QJSValue nativeParse = nativeDate.property(QStringLiteral("parse"));
    IntlLibrary library(&engine);
    library.prepareFor(text);
    QCOMPARE(engine.globalObject().hasOwnProperty(QStringLiteral("Intl")), intl);
    QCOMPARE(library.globalNames(), intl ? QStringList{QStringLiteral("Intl")} : QStringList());
    QCOMPARE(!nativeParse.strictlyEquals(engine.globalObject().property(QStringLiteral("Date")).property(QStringLiteral("parse"))), dates);
    QVERIFY(!engine.evaluate(text).isError());
    if (intl) {
        QVERIFY(library.holdsOwnValue(QStringLiteral("Intl"), engine.globalObject().property(QStringLiteral("Intl"))));
        // A script that replaces Intl takes it out of the library's hands.
        engine.evaluate(QStringLiteral("Intl = 5"));
        QVERIFY(!library.holdsOwnValue(QStringLiteral("Intl"), engine.globalObject().property(QStringLiteral("Intl"))));
    }
}

void IntlLibraryTest::nativeBridgeIsUnreachable()
{
    QJSEngine engine;
    IntlLibrary library(&engine);
    library.prepareFor(QStringLiteral("Intl Date"));
    // Everything reachable from the global object through properties, prototypes and what the getters and
    // argument-less methods of Intl's objects give: no native object among them.
    engine.evaluate(QStringLiteral(
        "var seen = new Set(), found = [];"
        "function walk(v, depth) { if (v === null || (typeof v !== 'object' && typeof v !== 'function') || seen.has(v) || depth > 6) return;"
        "  seen.add(v); found.push(v);"
        "  Object.getOwnPropertyNames(v).forEach(function (k) { var d = Object.getOwnPropertyDescriptor(v, k);"
        "    ['value', 'get', 'set'].forEach(function (p) { walk(d[p], depth + 1); });"
        "    if (d.get) { try { walk(d.get.call(v), depth + 1); } catch (e) {} } });"
        "  walk(Object.getPrototypeOf(v), depth + 1); }"
        "walk(this, 0);"
        "['NumberFormat','DateTimeFormat','Collator','PluralRules','RelativeTimeFormat','ListFormat','Segmenter','Locale'].forEach(function (n) {"
        "  var o = new Intl[n]('en'); walk(o, 0); walk(o.resolvedOptions ? o.resolvedOptions() : o, 0); });"
        "walk(new Intl.DisplayNames('en', {type: 'region'}), 0); walk(new Intl.Segmenter().segment('a b'), 0);"));
    const QJSValue found = engine.globalObject().property(QStringLiteral("found"));
    const int count = found.property(QStringLiteral("length")).toInt();
    QVERIFY(count > 200);
    for (int i = 0; i < count; ++i)
        QVERIFY2(!found.property(quint32(i)).isQObject(), qPrintable(QString::number(i)));
}

void IntlLibraryTest::hostileArgumentsAreRefused_data()
{
    QTest::addColumn<QString>("expression");
    QTest::newRow("huge decimal") << "new Intl.NumberFormat('en').format('9'.repeat(200000)).length";
    QTest::newRow("huge tag") << "Intl.getCanonicalLocales('a'.repeat(1000000))";
    QTest::newRow("huge extension") << "'a'.localeCompare('b', 'en-u-co-' + 'abcdefgh-'.repeat(1000) + 'x')";
    QTest::newRow("huge zone") << "new Intl.DateTimeFormat('en', {timeZone: 'A/'.repeat(100000)})";
    QTest::newRow("control characters") << "new Intl.DateTimeFormat('en', {timeZone: '\\u0000'}).format(0)";
    QTest::newRow("foreign receiver") << "Intl.DateTimeFormat.prototype.formatToParts.call(new Intl.NumberFormat(), 0)";
    QTest::newRow("throwing options") << "new Intl.NumberFormat('en', new Proxy({}, {get: function () { throw new Error('x'); }}))";
    QTest::newRow("formatter churn") << "for (var i = 0; i < 3000; i++) new Intl.NumberFormat('en', {minimumIntegerDigits: 1 + i % 21, maximumFractionDigits: i % 100}).format(i)";
    QTest::newRow("long segmentation") << "new Intl.Segmenter('en', {granularity: 'word'}).segment('ab '.repeat(200000)).containing(300000).segment";
    QTest::newRow("long date text") << "Date.parse('1'.repeat(1000000) + ' Jan')";
    QTest::newRow("extreme times") << "[8.64e15, -8.64e15, 8.64e15 + 1].map(function (t) { try { return new Intl.DateTimeFormat('en', {dateStyle: 'full', timeStyle: 'full'}).formatRange(t, -t); } catch (e) { return e.name; } })";
    QTest::newRow("replaced built-ins") << "Array.prototype.push = null; Object.defineProperty = null; String.prototype.split = null; new Intl.NumberFormat('de').format(5)";
}

void IntlLibraryTest::hostileArgumentsAreRefused()
{
    QFETCH(QString, expression);
    QJSEngine engine;
    IntlLibrary library(&engine);
    library.prepareFor(QStringLiteral("Intl Date"));
    engine.evaluate(expression);
    // Whatever the script got, a value or an error, the engine still answers, and another engine is untouched.
    QCOMPARE(engine.evaluate(QStringLiteral("1 + 1")).toInt(), 2);
    QJSEngine other;
    IntlLibrary otherLibrary(&other);
    otherLibrary.prepareFor(QStringLiteral("Intl"));
    QCOMPARE(other.evaluate(QStringLiteral("(1234.5).toLocaleString('de-DE')")).toString(), QStringLiteral("1.234,5"));
}

void IntlLibraryTest::sabotagedBuiltInsCannotHoldTheInstallation()
{
    QJSEngine engine;
    IntlLibrary library(&engine);
    library.prepareFor(QStringLiteral("var x = 1"));
    engine.evaluate(QStringLiteral("Object.defineProperty = function () { for (;;) {} }; x = 2"));
    QElapsedTimer clock;
    clock.start();
    library.prepareFor(QStringLiteral("Intl"));
    QVERIFY(clock.elapsed() < 20000);
    QCOMPARE(engine.evaluate(QStringLiteral("x + 1")).toInt(), 3);
}

QTEST_MAIN(IntlLibraryTest)
#include "IntlLibraryTest.moc"
