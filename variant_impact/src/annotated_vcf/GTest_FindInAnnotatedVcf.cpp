#include "GTest_FindInAnnotatedVcf.h"

#include "AnnotatedVcfFields.h"

#include <NxTest/GTestEnvironment.h>

#include <QCoreApplication>
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
    auto mandatory = [&](const char* attr, QString& into) {
        into = el.attribute(attr);
        if (into.isEmpty()) {
            failMissingValue(attr);
            return false;
        }
        return true;
    };
    QString fileName;
    if (!mandatory("file_name", fileName)) {
        return;
    }
    QString tempDir = getEnv() != nullptr ? getEnv()->getVar("TEMP_DATA_DIR") : QString();
    if (tempDir.isEmpty()) {
        tempDir = QCoreApplication::applicationDirPath();
    }
    filePath = tempDir + "/" + fileName;
    QString text;
    if (!mandatory("chr_name", chromosomeName) || !mandatory("pos", text)) {
        return;
    }
    bool ok = false;
    position = text.toLongLong(&ok, 10);
    if (!ok || position < 1) {
        stateInfo.setError(tr("Not a position attribute '%1': %2").arg("pos", text));
        return;
    }
    if (!mandatory("allele", text)) {
        return;
    }
    const QStringList alleles = text.split('/');
    if (alleles.size() != 2 || alleles[0].isEmpty() || alleles[1].isEmpty()) {
        stateInfo.setError(tr("Not a REF/ALT attribute '%1': %2").arg("allele", text));
        return;
    }
    ref = alleles[0];
    alt = alleles[1];
    if (!mandatory("field", field) || !mandatory("part", part)) {
        return;
    }
    transcript = el.attribute("transcript");
    mandatory("expected_value", expectedValue);
}

namespace {

struct HtsFileDeleter {
    void operator()(htsFile* f) const { if (f != nullptr) hts_close(f); }
};
struct HeaderDeleter {
    void operator()(bcf_hdr_t* h) const { if (h != nullptr) bcf_hdr_destroy(h); }
};
struct RecordDeleter {
    void operator()(bcf1_t* r) const { if (r != nullptr) bcf_destroy(r); }
};

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
    std::unique_ptr<htsFile, HtsFileDeleter> fp(hts_open(QFile::encodeName(filePath).constData(), "r"));
    std::unique_ptr<bcf_hdr_t, HeaderDeleter> header(fp ? bcf_hdr_read(fp.get()) : nullptr);
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
    std::unique_ptr<bcf1_t, RecordDeleter> rec(bcf_init());
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
