#include "script/IcuBridge.h"

#include <unicode/brkiter.h>
#include <unicode/calendar.h>
#include <unicode/coll.h>
#include <unicode/dtitvfmt.h>
#include <unicode/dtptngen.h>
#include <unicode/fpositer.h>
#include <unicode/gregocal.h>
#include <unicode/listformatter.h>
#include <unicode/locdspnm.h>
#include <unicode/numberformatter.h>
#include <unicode/numberrangeformatter.h>
#include <unicode/numsys.h>
#include <unicode/plurrule.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/strenum.h>
#include <unicode/timezone.h>
#include <unicode/ucurr.h>
#include <unicode/udat.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// Bounds on what a script can make this code hold or chew on.
constexpr int cacheLimit = 256;
constexpr int tagLimit = 256;
constexpr int settingLimit = 2048;

// ECMAScript time begins here: formatting dates uses the proleptic Gregorian calendar throughout.
constexpr double startOfTime = -9007199254740992.0;

icu::UnicodeString ustr(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), text.size());
}

QString qstr(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// An ICU locale for a language tag our script code has already checked; a tag ICU cannot read is bogus.
icu::Locale localeOf(const QString &tag)
{
    if (tag.isEmpty() || tag.size() > tagLimit)
        return icu::Locale::getRoot();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(tag.toStdString(), status);
    if (U_FAILURE(status) || locale.isBogus())
        return icu::Locale::getRoot();
    return locale;
}

QString tagOf(const icu::Locale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::string tag = locale.toLanguageTag<std::string>(status);
    return U_FAILURE(status) ? QString() : QString::fromStdString(tag);
}

// ICU's legacy keyword values ("gregorian", "phonebook") in their BCP 47 form ("gregory", "phonebk").
QStringList bcp47Values(const char *key, const QStringList &values)
{
    QStringList list;
    for (const QString &value : values) {
        const QByteArray legacy = value.toLatin1();
        const char *type = uloc_toUnicodeLocaleType(key, legacy.constData());
        const QString name = type ? QString::fromLatin1(type) : value;
        if (!list.contains(name))
            list.append(name);
    }
    return list;
}

QStringList listOf(icu::StringEnumeration *values)
{
    QStringList list;
    if (!values)
        return list;
    UErrorCode status = U_ZERO_ERROR;
    while (const icu::UnicodeString *value = values->snext(status)) {
        if (U_FAILURE(status))
            break;
        list.append(qstr(*value));
    }
    delete values;
    return list;
}

// A cache that forgets everything when it grows past its bound: formatters are cheap to make again, and a script
// making new ones in a loop must not make this process grow without end.
template <typename T>
class Cache
{
public:
    T *find(const QString &key) const
    {
        const auto it = items.find(key);
        return it == items.end() ? nullptr : it->second.get();
    }
    T *keep(const QString &key, std::unique_ptr<T> item)
    {
        if (!item)
            return nullptr;
        if (int(items.size()) >= cacheLimit)
            items.clear();
        T *raw = item.get();
        items[key] = std::move(item);
        return raw;
    }

private:
    std::unordered_map<QString, std::unique_ptr<T>> items;
};

// One run of formatted text and what it is.
struct Field
{
    int begin;
    int end;
    QString type;
};

// Parts from fields that may nest (an integer holds its group separators): the innermost field names each code unit,
// text no field covers is a literal, and the spans of a range name each part's source.
QVariantList assembleParts(const icu::UnicodeString &text, std::vector<Field> fields, const std::vector<Field> &spans,
                           bool range)
{
    const int length = text.length();
    std::vector<const QString *> types(std::size_t(length), nullptr);
    std::vector<const QString *> sources(std::size_t(length), nullptr);
    std::stable_sort(fields.begin(), fields.end(),
                     [](const Field &a, const Field &b) { return a.end - a.begin > b.end - b.begin; });
    for (const Field &field : fields)
        for (int i = std::max(0, field.begin); i < std::min(length, field.end); ++i)
            types[std::size_t(i)] = &field.type;
    for (const Field &span : spans)
        for (int i = std::max(0, span.begin); i < std::min(length, span.end); ++i)
            sources[std::size_t(i)] = &span.type;
    static const QString literal = QStringLiteral("literal");
    static const QString shared = QStringLiteral("shared");
    QVariantList parts{qstr(text)};
    for (int i = 0; i < length;) {
        const QString *type = types[std::size_t(i)] ? types[std::size_t(i)] : &literal;
        const QString *source = sources[std::size_t(i)] ? sources[std::size_t(i)] : &shared;
        int j = i + 1;
        while (j < length && (types[std::size_t(j)] ? types[std::size_t(j)] : &literal) == type
               && (sources[std::size_t(j)] ? sources[std::size_t(j)] : &shared) == source)
            ++j;
        parts << *type << j << (range ? *source : QString());
        i = j;
    }
    return parts;
}

// Parts of any ICU formatted value; typeOf names a field (an empty name leaves it out).
template <typename TypeOf>
QVariantList partsOf(const icu::FormattedValue &value, int spanCategory, TypeOf typeOf)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = value.toTempString(status);
    if (U_FAILURE(status))
        return {};
    icu::ConstrainedFieldPosition position;
    std::vector<Field> fields;
    std::vector<Field> spans;
    while (value.nextPosition(position, status) && U_SUCCESS(status)) {
        if (position.getCategory() == spanCategory) {
            spans.push_back({position.getStart(), position.getLimit(),
                             position.getField() == 0 ? QStringLiteral("startRange") : QStringLiteral("endRange")});
            continue;
        }
        const QString type = typeOf(position.getCategory(), position.getField(), position.getStart());
        if (!type.isEmpty())
            fields.push_back({position.getStart(), position.getLimit(), type});
    }
    if (U_FAILURE(status))
        return {};
    return assembleParts(text, std::move(fields), spans, spanCategory != UFIELD_CATEGORY_UNDEFINED);
}

// The part type of a number field. The integer of NaN and Infinity is named for what it is; the sign for the sign
// of the value it belongs to.
QString numberFieldType(int field, bool negative, double value)
{
    switch (field) {
    case UNUM_INTEGER_FIELD:
        if (std::isnan(value))
            return QStringLiteral("nan");
        return std::isinf(value) ? QStringLiteral("infinity") : QStringLiteral("integer");
    case UNUM_FRACTION_FIELD: return QStringLiteral("fraction");
    case UNUM_DECIMAL_SEPARATOR_FIELD: return QStringLiteral("decimal");
    case UNUM_EXPONENT_SYMBOL_FIELD: return QStringLiteral("exponentSeparator");
    case UNUM_EXPONENT_SIGN_FIELD: return QStringLiteral("exponentMinusSign");
    case UNUM_EXPONENT_FIELD: return QStringLiteral("exponentInteger");
    case UNUM_GROUPING_SEPARATOR_FIELD: return QStringLiteral("group");
    case UNUM_CURRENCY_FIELD: return QStringLiteral("currency");
    case UNUM_PERCENT_FIELD: return QStringLiteral("percentSign");
    case UNUM_PERMILL_FIELD: return QStringLiteral("permille");
    case UNUM_SIGN_FIELD: return negative ? QStringLiteral("minusSign") : QStringLiteral("plusSign");
    case UNUM_MEASURE_UNIT_FIELD: return QStringLiteral("unit");
    case UNUM_COMPACT_FIELD: return QStringLiteral("compact");
    case UNUM_COMPACT_FIELD + 1: return QStringLiteral("approximatelySign");
    default: return QStringLiteral("literal");
    }
}

QString dateFieldType(int field)
{
    switch (field) {
    case UDAT_ERA_FIELD: return QStringLiteral("era");
    case UDAT_YEAR_FIELD:
    case UDAT_EXTENDED_YEAR_FIELD: return QStringLiteral("year");
    case UDAT_YEAR_NAME_FIELD: return QStringLiteral("yearName");
    case UDAT_RELATED_YEAR_FIELD: return QStringLiteral("relatedYear");
    case UDAT_MONTH_FIELD:
    case UDAT_STANDALONE_MONTH_FIELD: return QStringLiteral("month");
    case UDAT_DATE_FIELD: return QStringLiteral("day");
    case UDAT_HOUR_OF_DAY1_FIELD:
    case UDAT_HOUR_OF_DAY0_FIELD:
    case UDAT_HOUR1_FIELD:
    case UDAT_HOUR0_FIELD: return QStringLiteral("hour");
    case UDAT_MINUTE_FIELD: return QStringLiteral("minute");
    case UDAT_SECOND_FIELD: return QStringLiteral("second");
    case UDAT_FRACTIONAL_SECOND_FIELD: return QStringLiteral("fractionalSecond");
    case UDAT_DAY_OF_WEEK_FIELD:
    case UDAT_DOW_LOCAL_FIELD:
    case UDAT_STANDALONE_DAY_FIELD: return QStringLiteral("weekday");
    case UDAT_AM_PM_FIELD:
    case UDAT_AM_PM_MIDNIGHT_NOON_FIELD:
    case UDAT_FLEXIBLE_DAY_PERIOD_FIELD: return QStringLiteral("dayPeriod");
    case UDAT_TIMEZONE_FIELD:
    case UDAT_TIMEZONE_RFC_FIELD:
    case UDAT_TIMEZONE_GENERIC_FIELD:
    case UDAT_TIMEZONE_SPECIAL_FIELD:
    case UDAT_TIMEZONE_LOCALIZED_GMT_OFFSET_FIELD:
    case UDAT_TIMEZONE_ISO_FIELD:
    case UDAT_TIMEZONE_ISO_LOCAL_FIELD: return QStringLiteral("timeZoneName");
    default: return QStringLiteral("unknown");
    }
}

// Replaces the hour letters of a pattern outside its quoted text with the one of the hour cycle; an hour right after
// a day gets a space before it.
icu::UnicodeString withHourCycle(const icu::UnicodeString &pattern, const QString &hourCycle)
{
    UChar replacement;
    if (hourCycle == QLatin1String("h11"))
        replacement = u'K';
    else if (hourCycle == QLatin1String("h12"))
        replacement = u'h';
    else if (hourCycle == QLatin1String("h23"))
        replacement = u'H';
    else if (hourCycle == QLatin1String("h24"))
        replacement = u'k';
    else
        return pattern;
    icu::UnicodeString result;
    bool quoted = false;
    UChar last = 0;
    for (int i = 0; i < pattern.length(); ++i) {
        const UChar ch = pattern.charAt(i);
        if (ch == u'\'') {
            quoted = !quoted;
            result.append(ch);
        } else if (!quoted && (ch == u'H' || ch == u'h' || ch == u'K' || ch == u'k')) {
            if (last == u'd')
                result.append(u' ');
            result.append(replacement);
        } else {
            result.append(ch);
        }
        last = ch;
    }
    return result;
}

bool isAsciiWord(const QString &text, int limit)
{
    if (text.isEmpty() || text.size() > limit)
        return false;
    for (const QChar ch : text)
        if (ch.unicode() > 0x7e || ch.unicode() < 0x20)
            return false;
    return true;
}

} // namespace

struct IcuBridge::Caches
{
    Cache<icu::number::LocalizedNumberFormatter> numbers;
    Cache<icu::number::LocalizedNumberRangeFormatter> numberRanges;
    Cache<icu::PluralRules> plurals;
    Cache<icu::DateTimePatternGenerator> generators;
    Cache<icu::SimpleDateFormat> dates;
    Cache<icu::DateIntervalFormat> dateRanges;
    Cache<icu::Collator> collators;
    Cache<icu::RelativeDateTimeFormatter> relatives;
    QHash<QString, QSet<QString>> available;
    QHash<QString, QString> zones; // lower-case name -> ICU's own spelling
    QHash<QString, QSet<QString>> supported;
    std::unique_ptr<icu::TimeZone> defaultZone;
    QString zoneNames[2]; // standard, daylight

    icu::DateTimePatternGenerator *generator(const QString &locale)
    {
        if (auto *found = generators.find(locale))
            return found;
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::DateTimePatternGenerator> made(
            icu::DateTimePatternGenerator::createInstance(localeOf(locale), status));
        return U_SUCCESS(status) ? generators.keep(locale, std::move(made)) : nullptr;
    }

    icu::number::LocalizedNumberFormatter *number(const QString &locale, const QString &skeleton)
    {
        if (skeleton.size() > settingLimit)
            return nullptr;
        const QString key = locale + QLatin1Char('|') + skeleton;
        if (auto *found = numbers.find(key))
            return found;
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::number::LocalizedNumberFormatter>(
            icu::number::NumberFormatter::forSkeleton(ustr(skeleton), status).locale(localeOf(locale)));
        return U_SUCCESS(status) ? numbers.keep(key, std::move(made)) : nullptr;
    }

    icu::SimpleDateFormat *date(const QString &locale, const QString &pattern, const QString &zone)
    {
        if (pattern.size() > settingLimit || zone.size() > tagLimit)
            return nullptr;
        const QString key = locale + QLatin1Char('|') + pattern + QLatin1Char('|') + zone;
        if (auto *found = dates.find(key))
            return found;
        const icu::Locale icuLocale = localeOf(locale);
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::SimpleDateFormat>(ustr(pattern), icuLocale, status);
        if (U_FAILURE(status))
            return nullptr;
        icu::Calendar *calendar = icu::Calendar::createInstance(icu::TimeZone::createTimeZone(ustr(zone)), icuLocale,
                                                                status);
        if (U_FAILURE(status) || !calendar) {
            delete calendar;
            return nullptr;
        }
        if (auto *gregorian = dynamic_cast<icu::GregorianCalendar *>(calendar))
            gregorian->setGregorianChange(startOfTime, status);
        made->adoptCalendar(calendar);
        return dates.keep(key, std::move(made));
    }
};

IcuBridge::IcuBridge(QObject *parent) : QObject(parent), caches(std::make_unique<Caches>())
{
}

IcuBridge::~IcuBridge() = default;

QString IcuBridge::defaultLocale() const
{
    const icu::Locale locale;
    const char *name = locale.getName();
    if (locale.isBogus() || !qstrcmp(name, "en_US_POSIX") || !qstrcmp(name, "c") || !qstrcmp(name, ""))
        return QStringLiteral("en-US");
    const QString tag = tagOf(locale);
    return tag.isEmpty() || tag == QLatin1String("und") ? QStringLiteral("en-US") : tag;
}

QString IcuBridge::canonicalizeTag(const QString &tag) const
{
    if (!isAsciiWord(tag, tagLimit))
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(tag.toLower().toStdString(), status);
    if (U_FAILURE(status) || locale.isBogus())
        return QString();
    locale.canonicalize(status);
    if (U_FAILURE(status))
        return QString();
    return tagOf(locale);
}

bool IcuBridge::isAvailable(const QString &service, const QString &tag)
{
    auto it = caches->available.find(service);
    if (it == caches->available.end()) {
        QSet<QString> tags;
        int32_t count = 0;
        const icu::Locale *locales = nullptr;
        if (service == QLatin1String("Collator"))
            locales = icu::Collator::getAvailableLocales(count);
        else if (service == QLatin1String("DateTimeFormat"))
            locales = icu::DateFormat::getAvailableLocales(count);
        else if (service == QLatin1String("NumberFormat"))
            locales = icu::NumberFormat::getAvailableLocales(count);
        else if (service == QLatin1String("Segmenter"))
            locales = icu::BreakIterator::getAvailableLocales(count);
        else
            locales = icu::Locale::getAvailableLocales(count);
        if (service == QLatin1String("PluralRules")) {
            // Plural rules exist per language (and a few regions): their own list.
            UErrorCode status = U_ZERO_ERROR;
            for (const QString &name : listOf(icu::PluralRules::getAvailableLocales(status)))
                tags.insert(tagOf(icu::Locale(name.toLatin1().constData())));
            locales = nullptr;
            count = 0;
        }
        for (int32_t i = 0; i < count; ++i) {
            const icu::Locale &locale = locales[i];
            tags.insert(tagOf(locale));
            // zh-Hant-TW is also offered as zh-TW.
            if (*locale.getScript() && *locale.getCountry())
                tags.insert(QLatin1String(locale.getLanguage()) + QLatin1Char('-')
                            + QLatin1String(locale.getCountry()));
        }
        tags.insert(QStringLiteral("en-US"));
        it = caches->available.insert(service, tags);
    }
    return it->contains(tag);
}

QString IcuBridge::likelySubtags(const QString &tag, bool maximize) const
{
    icu::Locale locale = localeOf(tag);
    UErrorCode status = U_ZERO_ERROR;
    if (maximize)
        locale.addLikelySubtags(status);
    else
        locale.minimizeSubtags(status);
    return U_FAILURE(status) ? tag : tagOf(locale);
}

QStringList IcuBridge::supportedValues(const QString &key, const QString &locale) const
{
    UErrorCode status = U_ZERO_ERROR;
    if (key == QLatin1String("calendar")) {
        const bool all = locale.isEmpty();
        return bcp47Values("ca", listOf(icu::Calendar::getKeywordValuesForLocale(
                                     "calendar", all ? icu::Locale::getRoot() : localeOf(locale), !all, status)));
    }
    if (key == QLatin1String("collation"))
        return bcp47Values("co", listOf(locale.isEmpty() ? icu::Collator::getKeywordValues("collation", status)
                                                         : icu::Collator::getKeywordValuesForLocale(
                                                               "collation", localeOf(locale), true, status)));
    if (key == QLatin1String("currency")) {
        QStringList list;
        UEnumeration *codes = ucurr_openISOCurrencies(UCURR_COMMON | UCURR_NON_DEPRECATED, &status);
        while (U_SUCCESS(status)) {
            int32_t length = 0;
            const char *code = uenum_next(codes, &length, &status);
            if (!code)
                break;
            list.append(QString::fromLatin1(code, length));
        }
        uenum_close(codes);
        return list;
    }
    if (key == QLatin1String("numberingSystem")) {
        QStringList list;
        icu::StringEnumeration *names = icu::NumberingSystem::getAvailableNames(status);
        for (const QString &name : listOf(names)) {
            UErrorCode each = U_ZERO_ERROR;
            std::unique_ptr<icu::NumberingSystem> system(
                icu::NumberingSystem::createInstanceByName(name.toLatin1().constData(), each));
            if (U_SUCCESS(each) && system && !system->isAlgorithmic())
                list.append(name);
        }
        return list;
    }
    if (key == QLatin1String("timeZone")) {
        const QByteArray region = locale.toLatin1();
        return listOf(icu::TimeZone::createTimeZoneIDEnumeration(
            UCAL_ZONE_TYPE_CANONICAL_LOCATION, locale.isEmpty() ? nullptr : region.constData(), nullptr, status));
    }
    return {};
}

bool IcuBridge::isSupportedValue(const QString &key, const QString &value)
{
    auto it = caches->supported.find(key);
    if (it == caches->supported.end()) {
        const QStringList values = supportedValues(key, QString());
        QSet<QString> set(values.begin(), values.end());
        it = caches->supported.insert(key, set);
    }
    return it->contains(value);
}

QString IcuBridge::numberingSystem(const QString &locale) const
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberingSystem> system(icu::NumberingSystem::createInstance(localeOf(locale), status));
    return U_SUCCESS(status) && system ? QString::fromLatin1(system->getName()) : QStringLiteral("latn");
}

QVariantList IcuBridge::localeInfo(const QString &locale) const
{
    // [first day of week (1 = Monday .. 7), minimal days, weekend days..., "|", direction]
    const icu::Locale icuLocale = localeOf(locale);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(icuLocale, status));
    QVariantList info;
    if (U_FAILURE(status) || !calendar)
        return info;
    const auto isoDay = [](int day) { return day == UCAL_SUNDAY ? 7 : day - 1; };
    info << isoDay(calendar->getFirstDayOfWeek(status)) << int(calendar->getMinimalDaysInFirstWeek());
    QVariantList weekend;
    for (int day = UCAL_MONDAY;; day = day == UCAL_SATURDAY ? UCAL_SUNDAY : day + 1) {
        const UCalendarWeekdayType type = calendar->getDayOfWeekType(UCalendarDaysOfWeek(day), status);
        if (type == UCAL_WEEKEND || type == UCAL_WEEKEND_ONSET || type == UCAL_WEEKEND_CEASE)
            weekend << isoDay(day);
        if (day == UCAL_SUNDAY)
            break;
    }
    info << QVariant(weekend) << (icuLocale.isRightToLeft() ? QStringLiteral("rtl") : QStringLiteral("ltr"));
    return info;
}

QString IcuBridge::formatNumber(const QString &locale, const QString &skeleton, double x)
{
    icu::number::LocalizedNumberFormatter *formatter = caches->number(locale, skeleton);
    if (!formatter)
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    const icu::number::FormattedNumber formatted = formatter->formatDouble(x, status);
    const icu::UnicodeString text = formatted.toTempString(status);
    return U_SUCCESS(status) ? qstr(text) : QString();
}

QVariantList IcuBridge::formatNumberParts(const QString &locale, const QString &skeleton, double x,
                                          const QString &decimal)
{
    icu::number::LocalizedNumberFormatter *formatter = caches->number(locale, skeleton);
    if (!formatter || decimal.size() > settingLimit)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray digits = decimal.toLatin1();
    const icu::number::FormattedNumber formatted =
        decimal.isEmpty() ? formatter->formatDouble(x, status)
                          : formatter->formatDecimal(icu::StringPiece(digits.constData(), digits.size()), status);
    if (U_FAILURE(status))
        return {};
    const bool negative = decimal.isEmpty() ? std::signbit(x) : decimal.startsWith(QLatin1Char('-'));
    return partsOf(formatted, UFIELD_CATEGORY_UNDEFINED, [&](int category, int field, int) {
        return category == UFIELD_CATEGORY_NUMBER ? numberFieldType(field, negative, x) : QString();
    });
}

QVariantList IcuBridge::formatNumberRange(const QString &locale, const QString &skeleton, const QString &x,
                                          const QString &y, bool xNegative, bool yNegative)
{
    if (skeleton.size() > settingLimit || x.size() > settingLimit || y.size() > settingLimit)
        return {};
    const QString key = locale + QLatin1Char('|') + skeleton;
    icu::number::LocalizedNumberRangeFormatter *formatter = caches->numberRanges.find(key);
    UErrorCode status = U_ZERO_ERROR;
    if (!formatter) {
        const icu::number::UnlocalizedNumberFormatter both =
            icu::number::NumberFormatter::forSkeleton(ustr(skeleton), status);
        if (U_FAILURE(status))
            return {};
        formatter = caches->numberRanges.keep(
            key, std::make_unique<icu::number::LocalizedNumberRangeFormatter>(
                     icu::number::NumberRangeFormatter::withLocale(localeOf(locale)).numberFormatterBoth(both)));
    }
    const QByteArray first = x.toLatin1();
    const QByteArray second = y.toLatin1();
    const icu::Formattable from(icu::StringPiece(first.constData(), first.size()), status);
    const icu::Formattable to(icu::StringPiece(second.constData(), second.size()), status);
    if (U_FAILURE(status))
        return {};
    const icu::number::FormattedNumberRange formatted = formatter->formatFormattableRange(from, to, status);
    if (U_FAILURE(status))
        return {};
    // The sign belongs to the value of the span it is in; outside the spans (an approximate range) to the first.
    std::vector<std::pair<int, int>> endSpan;
    {
        icu::ConstrainedFieldPosition position;
        position.constrainCategory(UFIELD_CATEGORY_NUMBER_RANGE_SPAN);
        while (formatted.nextPosition(position, status) && U_SUCCESS(status))
            if (position.getField() == 1)
                endSpan.emplace_back(position.getStart(), position.getLimit());
    }
    status = U_ZERO_ERROR;
    return partsOf(formatted, UFIELD_CATEGORY_NUMBER_RANGE_SPAN, [&](int category, int field, int start) {
        if (category != UFIELD_CATEGORY_NUMBER)
            return QString();
        bool inEnd = false;
        for (const auto &span : endSpan)
            inEnd = inEnd || (start >= span.first && start < span.second);
        return numberFieldType(field, inEnd ? yNegative : xNegative, 0);
    });
}

int IcuBridge::currencyDigits(const QString &currency) const
{
    if (currency.size() != 3)
        return 2;
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString code = ustr(currency.toUpper());
    const int digits = ucurr_getDefaultFractionDigits(code.getTerminatedBuffer(), &status);
    return U_SUCCESS(status) ? digits : 2;
}

namespace {

icu::PluralRules *pluralRules(Cache<icu::PluralRules> &cache, const QString &locale, bool ordinal)
{
    const QString key = locale + (ordinal ? QStringLiteral("|o") : QStringLiteral("|c"));
    if (auto *found = cache.find(key))
        return found;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::PluralRules> made(icu::PluralRules::forLocale(
        localeOf(locale), ordinal ? UPLURAL_TYPE_ORDINAL : UPLURAL_TYPE_CARDINAL, status));
    return U_SUCCESS(status) ? cache.keep(key, std::move(made)) : nullptr;
}

} // namespace

QString IcuBridge::pluralSelect(const QString &locale, bool ordinal, const QString &skeleton, double x)
{
    icu::PluralRules *rules = pluralRules(caches->plurals, locale, ordinal);
    icu::number::LocalizedNumberFormatter *formatter = caches->number(locale, skeleton);
    if (!rules || !formatter)
        return QStringLiteral("other");
    UErrorCode status = U_ZERO_ERROR;
    const icu::number::FormattedNumber formatted = formatter->formatDouble(x, status);
    const icu::UnicodeString category = rules->select(formatted, status);
    return U_SUCCESS(status) ? qstr(category) : QStringLiteral("other");
}

QString IcuBridge::pluralSelectRange(const QString &locale, bool ordinal, const QString &skeleton, double x, double y)
{
    icu::PluralRules *rules = pluralRules(caches->plurals, locale, ordinal);
    if (!rules || skeleton.size() > settingLimit)
        return QStringLiteral("other");
    UErrorCode status = U_ZERO_ERROR;
    const icu::number::UnlocalizedNumberFormatter both =
        icu::number::NumberFormatter::forSkeleton(ustr(skeleton), status);
    const icu::number::LocalizedNumberRangeFormatter formatter =
        icu::number::NumberRangeFormatter::withLocale(localeOf(locale)).numberFormatterBoth(both);
    const icu::number::FormattedNumberRange formatted = formatter.formatFormattableRange(x, y, status);
    const icu::UnicodeString category = rules->select(formatted, status);
    return U_SUCCESS(status) ? qstr(category) : QStringLiteral("other");
}

QStringList IcuBridge::pluralCategories(const QString &locale, bool ordinal)
{
    icu::PluralRules *rules = pluralRules(caches->plurals, locale, ordinal);
    if (!rules)
        return {QStringLiteral("other")};
    UErrorCode status = U_ZERO_ERROR;
    return listOf(rules->getKeywords(status));
}

QString IcuBridge::defaultTimeZone() const
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    icu::UnicodeString id;
    if (zone)
        zone->getID(id);
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString canonical;
    UBool system = false;
    icu::TimeZone::getCanonicalID(id, canonical, system, status);
    const QString name = U_SUCCESS(status) && system ? qstr(canonical) : QStringLiteral("UTC");
    if (name == QLatin1String("Etc/UTC") || name == QLatin1String("Etc/GMT") || name == QLatin1String("GMT")
        || name == QLatin1String("Etc/Unknown"))
        return QStringLiteral("UTC");
    return name;
}

QString IcuBridge::canonicalTimeZone(const QString &zone)
{
    if (!isAsciiWord(zone, tagLimit))
        return QString();
    if (caches->zones.isEmpty()) {
        UErrorCode status = U_ZERO_ERROR;
        for (const QString &id : listOf(icu::TimeZone::createEnumeration(status)))
            caches->zones.insert(id.toLower(), id);
    }
    const QString lower = zone.toLower();
    if (lower == QLatin1String("utc") || lower == QLatin1String("etc/utc") || lower == QLatin1String("etc/gmt")
        || lower == QLatin1String("gmt"))
        return QStringLiteral("UTC");
    const QString id = caches->zones.value(lower);
    if (id.isEmpty())
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString canonical;
    UBool system = false;
    icu::TimeZone::getCanonicalID(ustr(id), canonical, system, status);
    if (U_FAILURE(status) || !system)
        return QString();
    const QString name = qstr(canonical);
    return name == QLatin1String("Etc/UTC") || name == QLatin1String("Etc/GMT") ? QStringLiteral("UTC") : name;
}

QString IcuBridge::defaultHourCycle(const QString &locale)
{
    icu::DateTimePatternGenerator *generator = caches->generator(locale);
    if (!generator)
        return QStringLiteral("h23");
    UErrorCode status = U_ZERO_ERROR;
    switch (generator->getDefaultHourCycle(status)) {
    case UDAT_HOUR_CYCLE_11: return QStringLiteral("h11");
    case UDAT_HOUR_CYCLE_12: return QStringLiteral("h12");
    case UDAT_HOUR_CYCLE_24: return QStringLiteral("h24");
    default: return QStringLiteral("h23");
    }
}

QString IcuBridge::datePattern(const QString &locale, const QString &skeleton, int dateStyle, int timeStyle,
                               const QString &hourCycle)
{
    if (skeleton.size() > settingLimit || dateStyle < -1 || dateStyle > 3 || timeStyle < -1 || timeStyle > 3)
        return QString();
    icu::DateTimePatternGenerator *generator = caches->generator(locale);
    if (!generator)
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString pattern;
    if (dateStyle >= 0 || timeStyle >= 0) {
        std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
            icu::DateFormat::EStyle(dateStyle), icu::DateFormat::EStyle(timeStyle), localeOf(locale)));
        auto *simple = dynamic_cast<icu::SimpleDateFormat *>(format.get());
        if (!simple)
            return QString();
        simple->toPattern(pattern);
        if (!hourCycle.isEmpty() && hourCycle != defaultHourCycle(locale)) {
            // Another hour cycle than the style's: the best pattern for the style's fields with the other hour.
            const icu::UnicodeString fields = icu::DateTimePatternGenerator::staticGetSkeleton(pattern, status);
            pattern = generator->getBestPattern(withHourCycle(fields, hourCycle), UDATPG_MATCH_HOUR_FIELD_LENGTH,
                                                status);
        }
    } else {
        pattern = generator->getBestPattern(ustr(skeleton), UDATPG_MATCH_HOUR_FIELD_LENGTH, status);
    }
    if (U_FAILURE(status))
        return QString();
    return qstr(withHourCycle(pattern, hourCycle));
}

QString IcuBridge::formatDate(const QString &locale, const QString &pattern, const QString &zone, double t)
{
    icu::SimpleDateFormat *format = caches->date(locale, pattern, zone);
    if (!format || !std::isfinite(t))
        return QString();
    icu::UnicodeString text;
    format->format(t, text);
    return qstr(text);
}

QVariantList IcuBridge::formatDateParts(const QString &locale, const QString &pattern, const QString &zone, double t)
{
    icu::SimpleDateFormat *format = caches->date(locale, pattern, zone);
    if (!format || !std::isfinite(t))
        return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    icu::FieldPositionIterator iterator;
    format->format(t, text, &iterator, status);
    if (U_FAILURE(status))
        return {};
    std::vector<Field> fields;
    icu::FieldPosition position;
    while (iterator.next(position))
        fields.push_back({position.getBeginIndex(), position.getEndIndex(), dateFieldType(position.getField())});
    return assembleParts(text, std::move(fields), {}, false);
}

QVariantList IcuBridge::formatDateRange(const QString &locale, const QString &pattern, const QString &zone, double x,
                                       double y)
{
    icu::SimpleDateFormat *format = caches->date(locale, pattern, zone);
    if (!format || !std::isfinite(x) || !std::isfinite(y))
        return {};
    const QString key = locale + QLatin1Char('|') + pattern + QLatin1Char('|') + zone;
    icu::DateIntervalFormat *interval = caches->dateRanges.find(key);
    UErrorCode status = U_ZERO_ERROR;
    if (!interval) {
        icu::UnicodeString patternText;
        format->toPattern(patternText);
        const icu::UnicodeString skeleton = icu::DateTimePatternGenerator::staticGetSkeleton(patternText, status);
        std::unique_ptr<icu::DateIntervalFormat> made(
            icu::DateIntervalFormat::createInstance(skeleton, localeOf(locale), status));
        if (U_FAILURE(status) || !made)
            return {};
        made->setTimeZone(format->getTimeZone());
        interval = caches->dateRanges.keep(key, std::move(made));
    }
    std::unique_ptr<icu::Calendar> from(format->getCalendar()->clone());
    std::unique_ptr<icu::Calendar> to(format->getCalendar()->clone());
    from->setTime(x, status);
    to->setTime(y, status);
    if (U_FAILURE(status))
        return {};
    const icu::FormattedDateInterval formatted = interval->formatToValue(*from, *to, status);
    if (U_FAILURE(status))
        return {};
    QVariantList parts = partsOf(formatted, UFIELD_CATEGORY_DATE_INTERVAL_SPAN, [](int category, int field, int) {
        return category == UFIELD_CATEGORY_DATE ? dateFieldType(field) : QString();
    });
    // Dates equal in every field shown are one date, formatted as one.
    bool spans = false;
    for (int i = 3; i < parts.size(); i += 3)
        spans = spans || parts.at(i).toString() != QLatin1String("shared");
    if (!spans) {
        parts = formatDateParts(locale, pattern, zone, x);
        for (int i = 3; i < parts.size(); i += 3)
            parts[i] = QStringLiteral("shared");
    }
    return parts;
}

QString IcuBridge::zoneDisplayName(double t)
{
    if (!std::isfinite(t))
        return QString();
    if (!caches->defaultZone)
        caches->defaultZone.reset(icu::TimeZone::createDefault());
    UErrorCode status = U_ZERO_ERROR;
    int32_t raw = 0;
    int32_t dst = 0;
    caches->defaultZone->getOffset(t, false, raw, dst, status);
    // The process's zone and locale do not change: one name for standard time and one for daylight time.
    QString &name = caches->zoneNames[U_SUCCESS(status) && dst != 0 ? 1 : 0];
    if (name.isNull()) {
        icu::UnicodeString text;
        caches->defaultZone->getDisplayName(dst != 0, icu::TimeZone::LONG, icu::Locale::getDefault(), text);
        name = qstr(text);
    }
    return name;
}

namespace {

// Collator settings: usage, sensitivity, ignorePunctuation, numeric, caseFirst, separated by '|' (empty: the
// locale's default).
icu::Collator *collatorFor(Cache<icu::Collator> &cache, const QString &locale, const QString &settings)
{
    if (settings.size() > settingLimit)
        return nullptr;
    const QString key = locale + QLatin1Char('#') + settings;
    if (auto *found = cache.find(key))
        return found;
    const QStringList parts = settings.split(QLatin1Char('|'));
    if (parts.size() != 5)
        return nullptr;
    icu::Locale icuLocale = localeOf(locale);
    UErrorCode status = U_ZERO_ERROR;
    if (parts.at(0) == QLatin1String("search"))
        icuLocale.setUnicodeKeywordValue("co", "search", status);
    status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icuLocale, status));
    if (U_FAILURE(status) || !collator)
        return nullptr;
    collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
    const QString &sensitivity = parts.at(1);
    if (sensitivity == QLatin1String("base")) {
        collator->setStrength(icu::Collator::PRIMARY);
    } else if (sensitivity == QLatin1String("accent")) {
        collator->setStrength(icu::Collator::SECONDARY);
    } else if (sensitivity == QLatin1String("case")) {
        collator->setStrength(icu::Collator::PRIMARY);
        collator->setAttribute(UCOL_CASE_LEVEL, UCOL_ON, status);
    } else if (sensitivity == QLatin1String("variant")) {
        collator->setStrength(icu::Collator::TERTIARY);
    }
    if (parts.at(2) == QLatin1String("true"))
        collator->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, status);
    else if (parts.at(2) == QLatin1String("false"))
        collator->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, status);
    if (!parts.at(3).isEmpty())
        collator->setAttribute(UCOL_NUMERIC_COLLATION, parts.at(3) == QLatin1String("true") ? UCOL_ON : UCOL_OFF,
                               status);
    if (parts.at(4) == QLatin1String("upper"))
        collator->setAttribute(UCOL_CASE_FIRST, UCOL_UPPER_FIRST, status);
    else if (parts.at(4) == QLatin1String("lower"))
        collator->setAttribute(UCOL_CASE_FIRST, UCOL_LOWER_FIRST, status);
    else if (parts.at(4) == QLatin1String("false"))
        collator->setAttribute(UCOL_CASE_FIRST, UCOL_OFF, status);
    return U_SUCCESS(status) ? cache.keep(key, std::move(collator)) : nullptr;
}

} // namespace

int IcuBridge::compare(const QString &locale, const QString &settings, const QString &a, const QString &b)
{
    icu::Collator *collator = collatorFor(caches->collators, locale, settings);
    if (!collator)
        return a < b ? -1 : (b < a ? 1 : 0);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = collator->compare(reinterpret_cast<const UChar *>(a.utf16()), a.size(),
                                                      reinterpret_cast<const UChar *>(b.utf16()), b.size(), status);
    return U_FAILURE(status) ? 0 : int(result);
}

QVariantList IcuBridge::collatorSettings(const QString &locale, const QString &settings)
{
    // [sensitivity, ignorePunctuation, numeric, caseFirst] as the collator has them.
    icu::Collator *collator = collatorFor(caches->collators, locale, settings);
    if (!collator)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    QString sensitivity = QStringLiteral("variant");
    switch (collator->getStrength()) {
    case icu::Collator::PRIMARY:
        sensitivity = collator->getAttribute(UCOL_CASE_LEVEL, status) == UCOL_ON ? QStringLiteral("case")
                                                                                : QStringLiteral("base");
        break;
    case icu::Collator::SECONDARY: sensitivity = QStringLiteral("accent"); break;
    default: break;
    }
    const UColAttributeValue caseFirst = collator->getAttribute(UCOL_CASE_FIRST, status);
    return {sensitivity, collator->getAttribute(UCOL_ALTERNATE_HANDLING, status) == UCOL_SHIFTED,
            collator->getAttribute(UCOL_NUMERIC_COLLATION, status) == UCOL_ON,
            caseFirst == UCOL_UPPER_FIRST   ? QStringLiteral("upper")
            : caseFirst == UCOL_LOWER_FIRST ? QStringLiteral("lower")
                                            : QStringLiteral("false")};
}

QString IcuBridge::changeCase(const QString &locale, const QString &text, bool upper) const
{
    icu::UnicodeString value = ustr(text);
    const icu::Locale icuLocale = localeOf(locale);
    if (upper)
        value.toUpper(icuLocale);
    else
        value.toLower(icuLocale);
    return value.isBogus() ? text : qstr(value);
}

QVariantList IcuBridge::segment(const QString &locale, const QString &granularity, const QString &text) const
{
    // [boundary, word-like, boundary, word-like, ...] after the first boundary 0.
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale icuLocale = localeOf(locale);
    std::unique_ptr<icu::BreakIterator> breaks(
        granularity == QLatin1String("word")       ? icu::BreakIterator::createWordInstance(icuLocale, status)
        : granularity == QLatin1String("sentence") ? icu::BreakIterator::createSentenceInstance(icuLocale, status)
                                                   : icu::BreakIterator::createCharacterInstance(icuLocale, status));
    if (U_FAILURE(status) || !breaks)
        return {};
    const icu::UnicodeString value = ustr(text);
    breaks->setText(value);
    QVariantList boundaries;
    breaks->first();
    for (int32_t end = breaks->next(); end != icu::BreakIterator::DONE; end = breaks->next()) {
        const int32_t status = breaks->getRuleStatus();
        boundaries << end << !(status >= UBRK_WORD_NONE && status < UBRK_WORD_NONE_LIMIT);
    }
    return boundaries;
}

QVariantList IcuBridge::formatList(const QString &locale, const QString &type, const QString &style,
                                   const QStringList &items) const
{
    const UListFormatterType listType = type == QLatin1String("disjunction") ? ULISTFMT_TYPE_OR
                                        : type == QLatin1String("unit")      ? ULISTFMT_TYPE_UNITS
                                                                             : ULISTFMT_TYPE_AND;
    const UListFormatterWidth width = style == QLatin1String("short")    ? ULISTFMT_WIDTH_SHORT
                                      : style == QLatin1String("narrow") ? ULISTFMT_WIDTH_NARROW
                                                                         : ULISTFMT_WIDTH_WIDE;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::ListFormatter> formatter(
        icu::ListFormatter::createInstance(localeOf(locale), listType, width, status));
    if (U_FAILURE(status) || !formatter)
        return {};
    std::vector<icu::UnicodeString> values;
    values.reserve(std::size_t(items.size()));
    for (const QString &item : items)
        values.push_back(ustr(item));
    const icu::FormattedList formatted =
        formatter->formatStringsToValue(values.data(), int32_t(values.size()), status);
    if (U_FAILURE(status))
        return {};
    return partsOf(formatted, UFIELD_CATEGORY_UNDEFINED, [](int category, int field, int) {
        return category == UFIELD_CATEGORY_LIST && field == ULISTFMT_ELEMENT_FIELD ? QStringLiteral("element")
                                                                                  : QString();
    });
}

QVariantList IcuBridge::formatRelative(const QString &locale, const QString &style, bool numeric, double value,
                                       const QString &unit)
{
    static const QHash<QString, URelativeDateTimeUnit> units{
        {QStringLiteral("year"), UDAT_REL_UNIT_YEAR},     {QStringLiteral("quarter"), UDAT_REL_UNIT_QUARTER},
        {QStringLiteral("month"), UDAT_REL_UNIT_MONTH},   {QStringLiteral("week"), UDAT_REL_UNIT_WEEK},
        {QStringLiteral("day"), UDAT_REL_UNIT_DAY},       {QStringLiteral("hour"), UDAT_REL_UNIT_HOUR},
        {QStringLiteral("minute"), UDAT_REL_UNIT_MINUTE}, {QStringLiteral("second"), UDAT_REL_UNIT_SECOND}};
    const auto found = units.find(unit);
    if (found == units.end() || !std::isfinite(value))
        return {};
    const QString key = locale + QLatin1Char('|') + style;
    icu::RelativeDateTimeFormatter *formatter = caches->relatives.find(key);
    UErrorCode status = U_ZERO_ERROR;
    if (!formatter) {
        const icu::Locale icuLocale = localeOf(locale);
        icu::NumberFormat *number = icu::NumberFormat::createInstance(icuLocale, UNUM_DECIMAL, status);
        if (U_FAILURE(status) || !number) {
            delete number;
            return {};
        }
        auto made = std::make_unique<icu::RelativeDateTimeFormatter>(
            icuLocale, number,
            style == QLatin1String("short")    ? UDAT_STYLE_SHORT
            : style == QLatin1String("narrow") ? UDAT_STYLE_NARROW
                                               : UDAT_STYLE_LONG,
            UDISPCTX_CAPITALIZATION_NONE, status);
        if (U_FAILURE(status))
            return {};
        formatter = caches->relatives.keep(key, std::move(made));
    }
    const icu::FormattedRelativeDateTime formatted = numeric
                                                          ? formatter->formatNumericToValue(value, *found, status)
                                                          : formatter->formatToValue(value, *found, status);
    if (U_FAILURE(status))
        return {};
    const bool negative = std::signbit(value);
    return partsOf(formatted, UFIELD_CATEGORY_UNDEFINED, [&](int category, int field, int) {
        return category == UFIELD_CATEGORY_NUMBER ? numberFieldType(field, negative, value) : QString();
    });
}

QVariant IcuBridge::displayName(const QString &locale, const QString &type, const QString &style, bool fallbackCode,
                                bool dialect, const QString &code) const
{
    if (!isAsciiWord(code, tagLimit))
        return QVariant();
    const icu::Locale icuLocale = localeOf(locale);
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString name;
    if (type == QLatin1String("currency")) {
        icu::UnicodeString currency = ustr(code.toUpper());
        UBool isChoice = false;
        int32_t length = 0;
        // Browsers give the long name whatever the style.
        const UChar *text = ucurr_getName(currency.getTerminatedBuffer(), icuLocale.getName(), UCURR_LONG_NAME,
                                          &isChoice, &length, &status);
        if (U_FAILURE(status) || status == U_USING_DEFAULT_WARNING)
            return fallbackCode ? QVariant(code.toUpper()) : QVariant();
        return QString(reinterpret_cast<const QChar *>(text), length);
    }
    if (type == QLatin1String("dateTimeField")) {
        static const QHash<QString, UDateTimePatternField> fields{
            {QStringLiteral("era"), UDATPG_ERA_FIELD},         {QStringLiteral("year"), UDATPG_YEAR_FIELD},
            {QStringLiteral("quarter"), UDATPG_QUARTER_FIELD}, {QStringLiteral("month"), UDATPG_MONTH_FIELD},
            {QStringLiteral("weekOfYear"), UDATPG_WEEK_OF_YEAR_FIELD},
            {QStringLiteral("weekday"), UDATPG_WEEKDAY_FIELD}, {QStringLiteral("day"), UDATPG_DAY_FIELD},
            {QStringLiteral("dayPeriod"), UDATPG_DAYPERIOD_FIELD}, {QStringLiteral("hour"), UDATPG_HOUR_FIELD},
            {QStringLiteral("minute"), UDATPG_MINUTE_FIELD},   {QStringLiteral("second"), UDATPG_SECOND_FIELD},
            {QStringLiteral("timeZoneName"), UDATPG_ZONE_FIELD}};
        const auto field = fields.find(code);
        if (field == fields.end())
            return QVariant();
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(icuLocale, status));
        if (U_FAILURE(status))
            return QVariant();
        const UDateTimePGDisplayWidth width = style == QLatin1String("long")    ? UDATPG_WIDE
                                              : style == QLatin1String("short") ? UDATPG_ABBREVIATED
                                                                                : UDATPG_NARROW;
        name = generator->getFieldDisplayName(*field, width);
        return qstr(name);
    }
    UDisplayContext contexts[] = {
        dialect ? UDISPCTX_DIALECT_NAMES : UDISPCTX_STANDARD_NAMES,
        style == QLatin1String("long") ? UDISPCTX_LENGTH_FULL : UDISPCTX_LENGTH_SHORT,
        UDISPCTX_NO_SUBSTITUTE};
    std::unique_ptr<icu::LocaleDisplayNames> names(icu::LocaleDisplayNames::createInstance(icuLocale, contexts, 3));
    if (!names)
        return QVariant();
    const QByteArray latin = code.toLatin1();
    if (type == QLatin1String("language")) {
        UErrorCode tagStatus = U_ZERO_ERROR;
        const icu::Locale language = icu::Locale::forLanguageTag(latin.constData(), tagStatus);
        names->localeDisplayName(language, name);
    } else if (type == QLatin1String("region")) {
        names->regionDisplayName(latin.constData(), name);
    } else if (type == QLatin1String("script")) {
        names->scriptDisplayName(latin.constData(), name);
    } else if (type == QLatin1String("calendar")) {
        const char *legacy = uloc_toLegacyType("calendar", latin.constData());
        names->keyValueDisplayName("calendar", legacy ? legacy : latin.constData(), name);
    }
    if (name.isBogus() || name.isEmpty())
        return fallbackCode ? QVariant(code) : QVariant();
    return qstr(name);
}
