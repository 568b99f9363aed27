#include "Velto/VeltoJsonCheck.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// Walks the text once. Strings are unescaped only where they are object keys; numbers
// and the literals are taken as runs of token characters and left for the parser to
// judge.
class Scanner
{
public:
    Scanner(const char *begin, const char *end) : p(begin), end(end) {}

    bool document()
    {
        skipSpace();
        if (!value(0))
            return false;
        skipSpace();
        return p == end;
    }

private:
    bool value(int depth)
    {
        if (p == end)
            return false;
        if (*p == '{')
            return object(depth + 1);
        if (*p == '[')
            return array(depth + 1);
        if (*p == '"')
            return string(nullptr);
        return token();
    }

    bool object(int depth)
    {
        if (depth > VeltoJsonCheck::kMaxDepth)
            return false;
        ++p;
        std::vector<QString> keys;
        skipSpace();
        if (p < end && *p == '}') {
            ++p;
            return true;
        }
        for (;;) {
            QString key;
            skipSpace();
            if (p == end || *p != '"' || !string(&key))
                return false;
            keys.push_back(key);
            skipSpace();
            if (p == end || *p++ != ':')
                return false;
            skipSpace();
            if (!value(depth) || !next('}'))
                return false;
            if (p[-1] == '}')
                return unique(keys);
        }
    }

    bool array(int depth)
    {
        if (depth > VeltoJsonCheck::kMaxDepth)
            return false;
        ++p;
        skipSpace();
        if (p < end && *p == ']') {
            ++p;
            return true;
        }
        for (;;) {
            skipSpace();
            if (!value(depth) || !next(']'))
                return false;
            if (p[-1] == ']')
                return true;
        }
    }

    // After a member: a comma or the closing character, which is consumed either way.
    bool next(char closing)
    {
        skipSpace();
        if (p == end || (*p != ',' && *p != closing))
            return false;
        ++p;
        return true;
    }

    static bool unique(std::vector<QString> &keys)
    {
        std::sort(keys.begin(), keys.end());
        return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
    }

    // A string from its opening quote; its unescaped text goes to decoded when given.
    bool string(QString *decoded)
    {
        ++p;
        const char *run = p;
        while (p < end) {
            if (*p == '"' || *p == '\\') {
                if (decoded)
                    decoded->append(QString::fromUtf8(run, static_cast<int>(p - run)));
                if (*p++ == '"')
                    return true;
                if (!escape(decoded))
                    return false;
                run = p;
                continue;
            }
            ++p;
        }
        return false;
    }

    bool escape(QString *decoded)
    {
        if (p == end)
            return false;
        const char c = *p++;
        static const char kSimple[] = "\"\\/bfnrt";
        static const char kMeaning[] = "\"\\/\b\f\n\r\t";
        const char *simple = c ? std::strchr(kSimple, c) : nullptr;
        if (simple) {
            if (decoded)
                decoded->append(QLatin1Char(kMeaning[simple - kSimple]));
            return true;
        }
        if (c != 'u' || end - p < 4)
            return false;
        ushort unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexDigit(*p++);
            if (digit < 0)
                return false;
            unit = static_cast<ushort>(unit * 16 + digit);
        }
        if (decoded)
            decoded->append(QChar(unit));
        return true;
    }

    static int hexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool token()
    {
        const char *start = p;
        while (p < end && isTokenCharacter(*p))
            ++p;
        return p > start;
    }

    static bool isTokenCharacter(char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '-' || c == '+' || c == '.';
    }

    void skipSpace()
    {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
    }

    const char *p;
    const char *const end;
};
} // namespace

bool VeltoJsonCheck::hasUniqueKeys(const QByteArray &json)
{
    return Scanner(json.constData(), json.constData() + json.size()).document();
}
