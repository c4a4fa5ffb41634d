// A file of XML tests as the runner reads it:
//
//   <suite name="Demo reports">
//     <env name="TEMP_DATA_DIR" value="/tmp/demo"/>      default values of test variables
//     <test name="codon on the forward strand">         one test: its elements run in order
//       <find-in-snp-result-table file_name="in_gene.tsv" .../>
//     </test>
//   </suite>
//
// Any element inside a <test> is made into a test by the factory registered for its tag.
#pragma once

#include <QCoreApplication>
#include <QDomElement>
#include <QList>
#include <QMap>
#include <QString>

namespace Nx {

class NxOpStatus;

struct XmlTestCase {
    QString name;                  // "<suite name>/<test name>"
    QList<QDomElement> elements;   // the test's elements, in file order
};

class XmlTestSuite {
    Q_DECLARE_TR_FUNCTIONS(Nx::XmlTestSuite)
public:
    // Reads a suite file; errors name the file (and the line and column for malformed XML).
    bool load(const QString& path, NxOpStatus& os);

    const QString& getName() const { return name; }
    const QMap<QString, QString>& getEnvDefaults() const { return envDefaults; }
    const QList<XmlTestCase>& getTests() const { return tests; }

    // The suite files a command-line path names: the file itself, or the *.xml files of a folder
    // in name order. An error when the path does not exist or a folder holds no suite.
    static QStringList suiteFiles(const QString& path, NxOpStatus& os);

private:
    QDomDocument doc;  // keeps the elements alive
    QString name;
    QMap<QString, QString> envDefaults;
    QList<XmlTestCase> tests;
};

}  // namespace Nx
