#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The ranking figures of one domain as fetched on one date. Every field is
// text; the line form (toString) is the line of the history file.
//
// A history holds millions of these, so a field is kept as a 32-bit code
// rather than a string: a plain decimal number is kept as its value, any
// other text (domains, dates, "NA") as its id in CTextPool. Each text has
// exactly one code, so records compare equal exactly when their texts do.
class CAlexaRankData
{
public:
    static constexpr int FieldCount = 8;

    // Each accessor replaces its field when given a non-empty text and returns
    // the field; so a field can never be set back to empty.
    QString domain(const QString &value = QString());
    QString globalRank(const QString &value = QString());
    QString usRank(const QString &value = QString());
    QString yesterday(const QString &value = QString());
    QString sevenDay(const QString &value = QString());
    QString oneMonth(const QString &value = QString());
    QString threeMonth(const QString &value = QString());
    QString date(const QString &value = QString());

    QString domain() const { return text(m_fields[0]); }
    QString globalRank() const { return text(m_fields[1]); }
    QString usRank() const { return text(m_fields[2]); }
    QString yesterday() const { return text(m_fields[3]); }
    QString sevenDay() const { return text(m_fields[4]); }
    QString oneMonth() const { return text(m_fields[5]); }
    QString threeMonth() const { return text(m_fields[6]); }
    QString date() const { return text(m_fields[7]); }

    // Cuts of the date, by position and without any check.
    QString year() const;
    QString month() const;
    QString day() const;

    // Field i in table order (0 = domain ... 7 = date); empty for other i.
    QString field(int i) const;
    // Whether field i is a plain decimal number, and which: a view can keep
    // the number and make its text only when it is shown.
    bool isNumber(int i, quint32 *value) const;
    // A key for field i, equal for two records exactly when the texts are
    // (within one run of the program): a pass over a whole history can
    // match domains without a string per record.
    quint32 key(int i) const { return i >= 0 && i < FieldCount ? m_fields[i] : 0; }

    QString toString() const;
    // Appends the line form to out, with no string made per field.
    void appendTo(QString &out) const;
    // Appends field i's text to out (nothing for other i).
    void appendField(QString &out, int i) const;

    // One history line: fields split at ",", missing ones left empty,
    // anything after the eighth ignored.
    static CAlexaRankData fromLine(QStringView line);
    // The same for a line of UTF-8 bytes holding no byte-order mark; bytes
    // that are not UTF-8 read as U+FFFD, as when the whole file is decoded.
    static CAlexaRankData fromUtf8Line(QByteArrayView line);

    friend bool operator==(const CAlexaRankData &, const CAlexaRankData &) = default;

private:
    static QString text(quint32 code);
    static void appendText(QString &out, quint32 code);
    static quint32 codeOf(QStringView text);
    static quint32 codeOfUtf8(QByteArrayView text);
    QString assign(int field, const QString &value);

    quint32 m_fields[FieldCount] = {};
};

// Only codes: a history of a million records can grow by moving memory.
Q_DECLARE_TYPEINFO(CAlexaRankData, Q_RELOCATABLE_TYPE);
