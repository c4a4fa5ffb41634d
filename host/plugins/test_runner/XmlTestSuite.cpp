#include "XmlTestSuite.h"

#include "XmlSuiteText.h"

#include <NxCore/core/NxOpStatus.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Nx {

bool XmlTestSuite::load(const QString& path, NxOpStatus& os) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        os.setError(tr("Cannot read test suite %1: %2").arg(path, f.errorString()));
        return false;
    }
    if (f.size() > XmlSuiteText::MAX_FILE_SIZE) {
        os.setError(tr("%1: the suite file has %2 bytes; at most %3 are read").arg(path).arg(f.size()).arg(XmlSuiteText::MAX_FILE_SIZE));
        return false;
    }
    const QByteArray text = f.readAll();
    if (!XmlSuiteText::check(text, path, os)) {
        return false;
    }
    QString message;
    int line = 0;
    int column = 0;
    if (!doc.setContent(text, &message, &line, &column)) {
        os.setError(tr("%1:%2:%3: malformed XML: %4").arg(path).arg(line).arg(column).arg(message));
        return false;
    }
    const QDomElement root = doc.documentElement();
    if (root.tagName() != "suite") {
        os.setError(tr("%1:%2: the root element must be <suite>, not <%3>").arg(path).arg(root.lineNumber()).arg(root.tagName()));
        return false;
    }
    name = root.attribute("name", QFileInfo(path).completeBaseName());
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.tagName() == "env") {
            if (e.attribute("name").isEmpty()) {
                os.setError(tr("%1:%2: <env> needs a name").arg(path).arg(e.lineNumber()));
                return false;
            }
            envDefaults[e.attribute("name")] = e.attribute("value");
        } else if (e.tagName() == "test") {
            XmlTestCase test;
            test.name = name + "/" + e.attribute("name", QString("test %1").arg(tests.size() + 1));
            for (QDomElement t = e.firstChildElement(); !t.isNull(); t = t.nextSiblingElement()) {
                test.elements << t;
            }
            if (test.elements.isEmpty()) {
                os.setError(tr("%1:%2: test '%3' has no test element").arg(path).arg(e.lineNumber()).arg(test.name));
                return false;
            }
            tests << test;
        } else {
            os.setError(tr("%1:%2: unexpected element <%3> in a suite (expected <env> or <test>)")
                            .arg(path)
                            .arg(e.lineNumber())
                            .arg(e.tagName()));
            return false;
        }
    }
    if (tests.isEmpty()) {
        // Nothing checked is no success: a suite without tests is a mistake in the file.
        os.setError(tr("%1:%2: suite '%3' holds no <test>").arg(path).arg(root.lineNumber()).arg(name));
        return false;
    }
    return true;
}

QStringList XmlTestSuite::suiteFiles(const QString& path, NxOpStatus& os) {
    QFileInfo info(path);
    if (!info.exists()) {
        os.setError(tr("No such test suite file or folder: %1").arg(path));
        return {};
    }
    if (!info.isDir()) {
        return {info.absoluteFilePath()};
    }
    QStringList files;
    for (const QFileInfo& f : QDir(path).entryInfoList({"*.xml"}, QDir::Files, QDir::Name)) {
        files << f.absoluteFilePath();
    }
    if (files.isEmpty()) {
        os.setError(tr("No *.xml test suite in folder %1").arg(path));
    }
    return files;
}

}  // namespace Nx
