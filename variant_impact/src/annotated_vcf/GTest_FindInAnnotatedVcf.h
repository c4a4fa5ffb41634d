// The XML test element "find-in-annotated-vcf": finds the record of one variation in an annotated
// VCF/BCF file and checks one part of one entry of an added INFO field, e.g.
//   <find-in-annotated-vcf file_name="annotated.vcf.gz" chr_name="chr7" pos="7693" allele="G/C"
//       field="NXCSQ" transcript="ENST90000000001" part="AminoAcidChange" expected_value="R100G"/>
// The entry is the first one of the field for the ALT allele of "allele" (REF/ALT, as the report's
// Allele cell) and, when "transcript" is given, that transcript. Parts are named by the layout the
// field's header Description gives after "Format: "; the value is compared percent-decoded.
// file_name is taken from the test variable TEMP_DATA_DIR (the program's folder when unset).
#pragma once

#include <NxTest/GTest.h>
#include <NxTest/XMLTestFactory.h>

namespace Nx {

class GTest_FindInAnnotatedVcf : public GTest {
    Q_OBJECT
public:
    class Factory : public XMLTestFactory {
    public:
        Factory() : XMLTestFactory(TAG) {}
        GTest* makeTest(XMLTestFormat* tf, const QString& testName, GTest* cp, const GTestEnvironment* env,
                        const QList<GTest*>& subtasks, const QDomElement& el) override;
    };

    static const QString TAG;  // "find-in-annotated-vcf"

    GTest_FindInAnnotatedVcf(XMLTestFormat* tf, const QString& name, GTest* cp, const GTestEnvironment* env,
                             const QList<GTest*>& subtasks, const QDomElement& el);

    void init(XMLTestFormat* tf, const QDomElement& el) override;
    ReportResult report() override;

private:
    QString filePath;
    QString chromosomeName;
    qint64 position = 0;  // 1-based, as POS
    QString ref;
    QString alt;
    QString field;
    QString transcript;   // empty: any
    QString part;
    QString expectedValue;
};

}  // namespace Nx
