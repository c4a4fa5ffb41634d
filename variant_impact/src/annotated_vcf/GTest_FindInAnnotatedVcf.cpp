#include "GTest_FindInAnnotatedVcf.h"

#include "AnnotatedVcfFields.h"

#include <NxFormats/vcf/HtsPointers.h>
#include <NxTest/GTestEnvironment.h>

#include <QFile>
#include <QRegularExpression>

#include <htslib/hts.h>
#include <htslib/vcf.h>

#include <cstdlib>
#include <memory>

namespace Nx {

const QString GTest_FindInAnnotatedVcf::TAG("find-in-annotated-vcf");

GTest* GTest_FindInAnnotatedVcf::Factory::makeTest(XMLTestFormat* tf, const QString& testName, GTest* cp,
                                                   const GTestEnvironment* env, const QList<GTest*>& subtasks,
                                                   const QDomElement& el) {
    return new GTest_FindInAnnotatedVcf(tf, testName, cp, env, subtasks, el);
}

GTest_FindInAnnotatedVcf::GTest_FindInAnnotatedVcf(XMLTestFormat* tf, const QString& name, GTest* cp,
                                                   const GTestEnvironment* env, const QList<GTest*>& subtasks,
                                                   const QDomElement& el)
    : GTest(name, cp, env, TaskFlags(0x0C02), subtasks) {
    init(tf, el);
}

void GTest_FindInAnnotatedVcf::init(XMLTestFormat*, const QDomElement& el) {
    // Each attribute in turn; the first one missing or wrong fails the test.
    QString fileName;
    if (!readMandatory(el, "file_name", fileName)) {
        return;
    }
    filePath = tempDataFilePath(fileName);
    QString text;
    if (!readMandatory(el, "chr_name", chromosomeName) || !readMandatory(el, "pos", text)) {
        return;
    }
    bool ok = false;
    position = text.toLongLong(&ok, 10);
    if (!ok || position < 1) {
        stateInfo.setError(tr("Not a position attribute '%1': %2").arg("pos", text));
        return;
    }
    if (!readMandatory(el, "allele", text)) {
        return;
    }
    const QStringList alleles = text.split('/');
    if (alleles.size() != 2 || alleles[0].isEmpty() || alleles[1].isEmpty()) {
        stateInfo.setError(tr("Not a REF/ALT attribute '%1': %2").arg("allele", text));
        return;
    }
    ref = alleles[0];
    alt = alleles[1];
    if (!readMandatory(el, "field", field) || !readMandatory(el, "part", part)) {
        return;
    }
    transcript = el.attribute("transcript");
    readMandatory(el, "expected_value", expectedValue);
}

namespace {


// The part names of a field from its header Description ("... Format: A|B|C. ...").
QStringList layoutOf(bcf_hdr_t* header, const QByteArray& field) {
    bcf_hrec_t* hrec = bcf_hdr_get_hrec(header, BCF_HL_INFO, "ID", field.constData(), nullptr);
    if (hrec == nullptr) {
        return {};
    }
    const int key = bcf_hrec_find_key(hrec, "Description");
    if (key < 0) {
        return {};
    }
    static const QRegularExpression format("Format: ([A-Za-z0-9_|]+)");
    const QRegularExpressionMatch m = format.match(QString::fromUtf8(hrec->vals[key]));
    return m.hasMatch() ? m.captured(1).split('|') : QStringList();
}

}  // namespace

Task::ReportResult GTest_FindInAnnotatedVcf::report() {
    if (hasError()) {
        return ReportResult_Finished;
    }
    HtsFilePtr fp(hts_open(QFile::encodeName(filePath).constData(), "r"));
    HtsHeaderPtr header(fp ? bcf_hdr_read(fp.get()) : nullptr);
    if (!header) {
        stateInfo.setError(tr("Cannot read annotated VCF file: %1").arg(filePath));
        return ReportResult_Finished;
    }
    const QByteArray fieldId = field.toUtf8();
    const QStringList layout = layoutOf(header.get(), fieldId);
    if (layout.isEmpty()) {
        stateInfo.setError(tr("The header of %1 declares no INFO field %2 with a Format").arg(filePath, field));
        return ReportResult_Finished;
    }
    const int partIndex = layout.indexOf(part);
    const int transcriptIndex = layout.indexOf("Transcript");
    if (partIndex < 0) {
        stateInfo.setError(tr("Field %1 has no part %2 (parts: %3)").arg(field, part, layout.join(", ")));
        return ReportResult_Finished;
    }
    if (!transcript.isEmpty() && transcriptIndex < 0) {
        stateInfo.setError(tr("Field %1 has no Transcript part to choose %2 by").arg(field, transcript));
        return ReportResult_Finished;
    }
    HtsRecordPtr rec(bcf_init());
    const QByteArray chrom = chromosomeName.toUtf8();
    bool recordFound = false;
    char* value = nullptr;
    int valueSize = 0;
    while (bcf_read(fp.get(), header.get(), rec.get()) == 0) {
        if (rec->pos + 1 != position || chrom != bcf_hdr_id2name(header.get(), rec->rid)) {
            continue;
        }
        bcf_unpack(rec.get(), BCF_UN_STR);
        bool altFound = false;
        for (int a = 1; a < rec->n_allele && !altFound; ++a) {
            altFound = alt == QString::fromUtf8(rec->d.allele[a]);
        }
        if (ref != QString::fromUtf8(rec->d.allele[0]) || !altFound) {
            continue;
        }
        recordFound = true;
        if (bcf_get_info_string(header.get(), rec.get(), fieldId.constData(), &value, &valueSize) <= 0) {
            continue;
        }
        for (const QString& entry : QString::fromUtf8(value).split(',')) {
            const QStringList parts = entry.split('|');
            if (parts.size() != layout.size() || AnnotatedVcfFields::unescape(parts[0]) != alt ||
                (!transcript.isEmpty() && AnnotatedVcfFields::unescape(parts[transcriptIndex]) != transcript)) {
                continue;
            }
            free(value);
            const QString current = AnnotatedVcfFields::unescape(parts[partIndex]);
            if (current != expectedValue) {
                stateInfo.setError(tr("Values do not match. Current:%1. Expected:%2").arg(current, expectedValue));
            }
            return ReportResult_Finished;
        }
    }
    free(value);
    if (!recordFound) {
        stateInfo.setError(tr("Cannot find the record %1:%2 %3/%4 in %5")
                               .arg(chromosomeName).arg(position).arg(ref, alt, filePath));
    } else {
        stateInfo.setError(tr("No %1 entry for allele %2%3 at %4:%5")
                               .arg(field, alt, transcript.isEmpty() ? QString() : tr(" and transcript %1").arg(transcript),
                                    chromosomeName)
                               .arg(position));
    }
    return ReportResult_Finished;
}

}  // namespace Nx
