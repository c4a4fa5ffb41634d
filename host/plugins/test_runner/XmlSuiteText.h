// Checks on the bytes of a suite file before the XML parser sees them, so that a hostile or
// damaged file is refused with its line instead of exhausting memory or being half-read:
//  1. the text is UTF-8 (an encoding declaration may only say UTF-8) without NUL bytes or other
//     control characters than tab, line feed and carriage return;
//  2. entities are internal general entities only (no external or parameter entities), none
//     refers to itself, and every reference of the document expanded adds up to at most
//     MAX_ENTITY_EXPANSION characters (one entity referenced many times can otherwise grow a
//     small file into gigabytes).
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

namespace Nx {

class NxOpStatus;

class XmlSuiteText {
    Q_DECLARE_TR_FUNCTIONS(Nx::XmlSuiteText)
public:
    static const qint64 MAX_ENTITY_EXPANSION;  // characters, all references of a file together
    static const qint64 MAX_FILE_SIZE;         // bytes of one suite file

    // False with "path:line: reason" in os when the text must not be parsed.
    static bool check(const QByteArray& text, const QString& path, NxOpStatus& os);
};

}  // namespace Nx
