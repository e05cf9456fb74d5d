#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <memory>
#include <vector>

namespace store {

// The list's columns of many contacts in one compact block: for each row its id, the six texts the list shows (姓名,
// 关系, 电话, 手机, 小灵通, 住址) as UTF-8 one after another, and the sex and birthday the summary and the birthday
// reminder need. A row costs its texts and about 20 bytes, where six strings cost several hundred. The texts are
// exactly what Qt's drivers would have given as strings (see Dialect::readTexts).
class ContactRows {
public:
    static constexpr int Texts = 6;
    enum class Sex : quint8 { Other, Male, Female };

    ContactRows() = default;
    ContactRows(ContactRows&&) noexcept = default;
    ContactRows& operator=(ContactRows&&) noexcept = default;
    ContactRows(const ContactRows&) = delete;
    ContactRows& operator=(const ContactRows&) = delete;

    int size() const { return int(m_starts.size()); }
    bool isEmpty() const { return m_starts.empty(); }
    qint64 id(int row) const { return m_ids[size_t(row)]; }
    // Text `column` (0 = 姓名 … 5 = 住址) of a row, as UTF-8.
    QByteArrayView text(int row, int column) const;
    QString string(int row, int column) const;
    Sex sex(int row) const { return Sex(m_meta[size_t(row)] & 3); }
    // The birthday's month and day; 0 for a value that is no month (day) of the year.
    int month(int row) const { return (m_meta[size_t(row)] >> 2) & 15; }
    int day(int row) const { return m_meta[size_t(row)] >> 6; }

    // A row as read: id, the six texts, sex, month and day, each as UTF-8 text.
    void appendRead(const QByteArrayView* values);
    void append(qint64 id, const std::array<QString, Texts>& texts, Sex sex = Sex::Other, int month = 0, int day = 0);
    // A row of another block, unchanged.
    void appendFrom(const ContactRows& other, int row);

    // Bytes held, for the benchmark's accounting.
    size_t bytes() const;

private:
    void appendRow(qint64 id, const QByteArrayView* texts, Sex sex, int month, int day);
    char* reserveText(size_t bytes);

    // The texts of a row lie together in one chunk, each as its length (one or more bytes of seven bits) and its
    // bytes; chunks never move, so the starts stay valid.
    std::vector<std::unique_ptr<char[]>> m_chunks;
    size_t m_chunkUsed = 0;
    size_t m_chunkSize = 0;
    size_t m_textBytes = 0;
    std::vector<const char*> m_starts;
    std::vector<qint64> m_ids;
    // Sex in bits 0-1, month in bits 2-5, day in bits 6-10.
    std::vector<quint16> m_meta;
};

// UTF-8 as UTF-16, without a heap allocation for short texts. The bytes must be valid UTF-8, as a block's are.
class Utf16Text {
public:
    explicit Utf16Text(QByteArrayView utf8);
    QStringView view() const { return QStringView(m_chars.constData(), m_chars.size()); }

private:
    QVarLengthArray<char16_t, 64> m_chars;
};

} // namespace store
