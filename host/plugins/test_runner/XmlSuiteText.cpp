#include "XmlSuiteText.h"

#include <NxCore/core/NxOpStatus.h>

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <functional>

namespace Nx {

const qint64 XmlSuiteText::MAX_ENTITY_EXPANSION = 1 << 20;
const qint64 XmlSuiteText::MAX_FILE_SIZE = 64 << 20;

namespace {

int lineAt(const QByteArray& text, int offset) {
    return 1 + int(text.left(offset).count('\n'));
}

// Length of the valid UTF-8 sequence at i, or 0.
int utf8SequenceLength(const QByteArray& t, int i) {
    const auto b = uchar(t[i]);
    int n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > t.size()) {
        return 0;
    }
    uint cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < n; k++) {
        const auto c = uchar(t[i + k]);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static const uint minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return 0;
    }
    return n;
}

struct Entity {
    QString value;
    int line = 0;
};

}  // namespace

bool XmlSuiteText::check(const QByteArray& text, const QString& path, NxOpStatus& os) {
    if (text.size() > MAX_FILE_SIZE) {
        os.setError(tr("%1: the suite file has %2 bytes; at most %3 are read").arg(path).arg(text.size()).arg(MAX_FILE_SIZE));
        return false;
    }
    // 1. Encoding and control characters.
    int line = 1;
    for (int i = 0; i < text.size();) {
        const auto b = uchar(text[i]);
        if (b == '\n') {
            line++;
        } else if (b == 0) {
            os.setError(tr("%1:%2: a NUL byte; a suite is text").arg(path).arg(line));
            return false;
        } else if (b < 0x20 && b != '\t' && b != '\r') {
            os.setError(tr("%1:%2: control character 0x%3 is not allowed in XML")
                            .arg(path)
                            .arg(line)
                            .arg(QString::number(b, 16).rightJustified(2, '0').toUpper()));
            return false;
        }
        const int n = utf8SequenceLength(text, i);
        if (n == 0) {
            os.setError(tr("%1:%2: invalid UTF-8 (byte 0x%3); suites are read as UTF-8")
                            .arg(path)
                            .arg(line)
                            .arg(QString::number(b, 16).toUpper()));
            return false;
        }
        i += n;
    }
    static const QRegularExpression declRx("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']*)[\"']");
    const QRegularExpressionMatch decl = declRx.match(QString::fromUtf8(text.left(200)));
    if (decl.hasMatch() && decl.captured(1).compare("UTF-8", Qt::CaseInsensitive) != 0 &&
        decl.captured(1).compare("UTF8", Qt::CaseInsensitive) != 0) {
        os.setError(tr("%1:1: encoding \"%2\" is not read; write the suite in UTF-8").arg(path, decl.captured(1)));
        return false;
    }

    // 2. Entities: the document type's internal subset holds the declarations.
    const int doctype = text.indexOf("<!DOCTYPE");
    if (doctype < 0) {
        return true;
    }
    int subsetStart = -1;
    int subsetEnd = -1;
    int bodyStart = -1;
    char quote = 0;
    for (int i = doctype + 9; i < text.size() && bodyStart < 0; i++) {
        const char c = text[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (subsetStart >= 0 && subsetEnd < 0 && text.mid(i, 4) == "<!--") {
            const int end = text.indexOf("-->", i + 4);
            i = end < 0 ? text.size() : end + 2;
        } else if (c == '[' && subsetStart < 0) {
            subsetStart = i + 1;
        } else if (c == ']' && subsetStart >= 0 && subsetEnd < 0) {
            subsetEnd = i;
        } else if (c == '>' && (subsetStart < 0 || subsetEnd >= 0)) {
            bodyStart = i + 1;
        }
    }
    if (bodyStart < 0) {
        os.setError(tr("%1:%2: the document type declaration does not end").arg(path).arg(lineAt(text, doctype)));
        return false;
    }
    if (subsetStart < 0) {
        return true;
    }
    const QByteArray subset = text.mid(subsetStart, subsetEnd - subsetStart);
    static const QRegularExpression entityRx(
        "<!ENTITY\\s+(%\\s+)?([^\\s\"'>]+)\\s+(?:\"([^\"]*)\"|'([^']*)'|(SYSTEM|PUBLIC)\\b)");
    QHash<QString, Entity> entities;
    QStringList declared;  // declaration order, so that errors name the first one
    const QString subsetText = QString::fromUtf8(subset);
    for (auto it = entityRx.globalMatch(subsetText); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const int declLine = lineAt(text, subsetStart) + subsetText.left(m.capturedStart()).count('\n');
        if (!m.captured(1).isEmpty()) {
            os.setError(tr("%1:%2: parameter entity '%3' is not allowed in a suite").arg(path).arg(declLine).arg(m.captured(2)));
            return false;
        }
        if (!m.captured(5).isEmpty()) {
            os.setError(tr("%1:%2: external entity '%3' is not read; put its text in the suite").arg(path).arg(declLine).arg(m.captured(2)));
            return false;
        }
        if (!entities.contains(m.captured(2))) {  // the first declaration counts
            entities[m.captured(2)] = {m.captured(3).isNull() ? m.captured(4) : m.captured(3), declLine};
            declared << m.captured(2);
        }
    }
    if (entities.isEmpty()) {
        return true;
    }

    // Expanded size of each entity, following references to other entities (a cycle is an error).
    static const QRegularExpression refRx("&([A-Za-z_:][-A-Za-z0-9._:]*);");
    QHash<QString, qint64> size;
    QSet<QString> open;
    std::function<qint64(const QString&)> expanded = [&](const QString& name) -> qint64 {
        if (size.contains(name)) {
            return size[name];
        }
        if (open.contains(name)) {
            return -1;
        }
        open.insert(name);
        const QString& value = entities[name].value;
        qint64 total = value.size();
        for (auto it = refRx.globalMatch(value); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            total -= m.capturedLength();
            if (!entities.contains(m.captured(1))) {
                total += 1;  // a predefined entity: one character
                continue;
            }
            const qint64 inner = expanded(m.captured(1));
            if (inner < 0) {
                return -1;
            }
            total = qMin(total + inner, MAX_ENTITY_EXPANSION + 1);
        }
        open.remove(name);
        size[name] = total;
        return total;
    };
    for (const QString& name : qAsConst(declared)) {
        if (expanded(name) < 0) {
            os.setError(tr("%1:%2: entity '%3' refers to itself").arg(path).arg(entities[name].line).arg(name));
            return false;
        }
    }
    const QString body = QString::fromUtf8(text.mid(bodyStart));
    qint64 total = 0;
    for (auto it = refRx.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!entities.contains(m.captured(1))) {
            continue;
        }
        total += size[m.captured(1)];
        if (total > MAX_ENTITY_EXPANSION) {
            const int refLine = lineAt(text, bodyStart) + body.left(m.capturedStart()).count('\n');
            os.setError(tr("%1:%2: entity references expand to more than %3 characters (at '%4', declared on line %5); "
                           "a suite is refused beyond that")
                            .arg(path)
                            .arg(refLine)
                            .arg(MAX_ENTITY_EXPANSION)
                            .arg(m.captured(1))
                            .arg(entities[m.captured(1)].line));
            return false;
        }
    }
    return true;
}

}  // namespace Nx
