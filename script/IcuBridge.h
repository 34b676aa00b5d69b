#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

// The system's ICU, as the script-side Intl code (res/intl.js, res/dates.js) sees it. Only that code holds this
// object: it is handed to the installer function as an argument and kept in its closure, never stored where a
// script could reach it. Every argument is still checked here, and every ICU failure comes back as an empty answer
// (an empty string, an empty list, NaN), never as an exception or a crash.
//
// Formatters are expensive to make and cheap to use, so each kind is cached by the settings that made it; a cache
// that grows past a bound is emptied, so a script that makes formatters in a loop cannot exhaust memory.
//
// Formatted parts come back as one list: the text, then for each part its type, its end offset and its source
// ("startRange", "endRange", "shared"; empty outside ranges).
class IcuBridge : public QObject
{
    Q_OBJECT

public:
    explicit IcuBridge(QObject *parent = nullptr);
    ~IcuBridge() override;

    // Locales.
    Q_INVOKABLE QString defaultLocale() const;
    Q_INVOKABLE QString canonicalizeTag(const QString &tag) const;
    Q_INVOKABLE bool isAvailable(const QString &service, const QString &tag);
    Q_INVOKABLE QString likelySubtags(const QString &tag, bool maximize) const;
    Q_INVOKABLE QStringList supportedValues(const QString &key, const QString &locale) const;
    Q_INVOKABLE bool isSupportedValue(const QString &key, const QString &value);
    Q_INVOKABLE QString numberingSystem(const QString &locale) const;
    Q_INVOKABLE QVariantList localeInfo(const QString &locale) const;

    // Numbers. A skeleton is ICU's number skeleton; decimal holds an exact decimal string (or is empty to format x).
    Q_INVOKABLE QString formatNumber(const QString &locale, const QString &skeleton, double x);
    Q_INVOKABLE QVariantList formatNumberParts(const QString &locale, const QString &skeleton, double x,
                                               const QString &decimal);
    Q_INVOKABLE QVariantList formatNumberRange(const QString &locale, const QString &skeleton, const QString &x,
                                               const QString &y, bool xNegative, bool yNegative);
    Q_INVOKABLE int currencyDigits(const QString &currency) const;
    Q_INVOKABLE QString pluralSelect(const QString &locale, bool ordinal, const QString &skeleton, double x);
    Q_INVOKABLE QString pluralSelectRange(const QString &locale, bool ordinal, const QString &skeleton, double x,
                                          double y);
    Q_INVOKABLE QStringList pluralCategories(const QString &locale, bool ordinal);

    // Dates. A pattern is an ICU date pattern; hourCycle one of h11, h12, h23, h24 or empty.
    Q_INVOKABLE QString defaultTimeZone() const;
    Q_INVOKABLE QString canonicalTimeZone(const QString &zone);
    Q_INVOKABLE QString defaultHourCycle(const QString &locale);
    Q_INVOKABLE QString datePattern(const QString &locale, const QString &skeleton, int dateStyle, int timeStyle,
                                    const QString &hourCycle);
    Q_INVOKABLE QString formatDate(const QString &locale, const QString &pattern, const QString &zone, double t);
    Q_INVOKABLE QVariantList formatDateParts(const QString &locale, const QString &pattern, const QString &zone,
                                             double t);
    Q_INVOKABLE QVariantList formatDateRange(const QString &locale, const QString &pattern, const QString &zone,
                                             double x, double y);
    Q_INVOKABLE QString zoneDisplayName(double t);

    // Text.
    Q_INVOKABLE int compare(const QString &locale, const QString &settings, const QString &a, const QString &b);
    Q_INVOKABLE QVariantList collatorSettings(const QString &locale, const QString &settings);
    Q_INVOKABLE QString changeCase(const QString &locale, const QString &text, bool upper) const;
    Q_INVOKABLE QVariantList segment(const QString &locale, const QString &granularity, const QString &text) const;
    Q_INVOKABLE QVariantList formatList(const QString &locale, const QString &type, const QString &style,
                                        const QStringList &items) const;
    Q_INVOKABLE QVariantList formatRelative(const QString &locale, const QString &style, bool numeric, double value,
                                            const QString &unit);
    Q_INVOKABLE QVariant displayName(const QString &locale, const QString &type, const QString &style,
                                     bool fallbackCode, bool dialect, const QString &code) const;

private:
    struct Caches;
    std::unique_ptr<Caches> caches;
};
