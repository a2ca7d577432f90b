#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Cli {

// Writes a JSON document as it goes, for the commands whose output grows
// with the face folder (a line per entry of a 20,000-line map.txt): one
// buffer, no tree of values built first. Keys are written in the order given.
class JsonWriter {
public:
    JsonWriter() { bytes_.reserve(1 << 16); }

    JsonWriter& beginObject(const char* key = nullptr) { return open(key, '{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray(const char* key = nullptr) { return open(key, '['); }
    JsonWriter& endArray() { return close(']'); }

    JsonWriter& value(const char* key, const QString& text)
    {
        name(key);
        string(text);
        return *this;
    }
    JsonWriter& value(const char* key, qint64 number)
    {
        name(key);
        bytes_ += QByteArray::number(number);
        return *this;
    }
    JsonWriter& value(const char* key, bool flag)
    {
        name(key);
        bytes_ += flag ? "true" : "false";
        return *this;
    }
    JsonWriter& null(const char* key)
    {
        name(key);
        bytes_ += "null";
        return *this;
    }
    JsonWriter& strings(const char* key, const QStringList& list)
    {
        beginArray(key);
        for (const QString& s : list) value(nullptr, s);
        return endArray();
    }

    // The document, with a final line end.
    QByteArray finish() { return bytes_ + '\n'; }

private:
    JsonWriter& open(const char* key, char bracket)
    {
        name(key);
        bytes_ += bracket;
        first_ = true;
        ++depth_;
        return *this;
    }
    JsonWriter& close(char bracket)
    {
        --depth_;
        if (!first_) indent();
        bytes_ += bracket;
        first_ = false;
        return *this;
    }
    void indent()
    {
        bytes_ += '\n';
        bytes_.append(qsizetype(depth_) * 2, ' ');
    }
    // The separator, the indent and the key of the next value.
    void name(const char* key)
    {
        if (depth_ == 0) return;
        if (!first_) bytes_ += ',';
        first_ = false;
        indent();
        if (!key) return;
        bytes_ += '"';
        bytes_ += key;
        bytes_ += "\": ";
    }
    void string(const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        bytes_ += '"';
        // Runs of plain characters go in at once; only what JSON escapes is looked at.
        qsizetype plain = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const uchar c = uchar(utf8[i]);
            if (c >= 0x20 && c != '"' && c != '\\') continue;
            bytes_.append(utf8.constData() + plain, i - plain);
            plain = i + 1;
            switch (c) {
            case '"': bytes_ += "\\\""; break;
            case '\\': bytes_ += "\\\\"; break;
            case '\n': bytes_ += "\\n"; break;
            case '\r': bytes_ += "\\r"; break;
            case '\t': bytes_ += "\\t"; break;
            default: {
                static const char hex[] = "0123456789abcdef";
                const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
                bytes_.append(escaped, sizeof escaped);
            }
            }
        }
        bytes_.append(utf8.constData() + plain, utf8.size() - plain);
        bytes_ += '"';
    }

    QByteArray bytes_;
    int depth_ = 0;
    bool first_ = true;
};

}  // namespace Cli
