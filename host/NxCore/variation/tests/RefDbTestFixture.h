// A reference database in a temporary folder with helpers to add sequences, genes and special
// regions, for the tests of the variation caches and table utilities.
#pragma once

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Nx {

class RefDbTestFixture : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(NxDbiRef(SQLITE_DBI_ID, dir.filePath("ref.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        featureDbi = dynamic_cast<SQLiteFeatureDbi*>(con.dbi->getFeatureDbi());
        sequenceDbi = con.dbi->getSequenceDbi();
        ASSERT_NE(featureDbi, nullptr);
        ASSERT_NE(sequenceDbi, nullptr);
    }

    NxDataId addSequence(const QString& name, const QByteArray& bases = QByteArray()) {
        NxSequence s;
        s.visualName = name;
        s.alphabet = "nucl-dna-default";
        sequenceDbi->createSequenceObject(s, os);
        if (!bases.isEmpty()) {
            sequenceDbi->appendSequenceData(s.id, bases, os);
        }
        return s.id;
    }

    // A one-exon transcript [start, start + length); coding over the whole exon when coding is set.
    void addGene(const NxDataId& seq, const QByteArray& id, const QString& name, qint64 start, qint64 length,
                 bool reverse = false, bool coding = true) {
        NxRegion r(start, length);
        Gene g(id, name, r, coding ? r : NxRegion(), {r}, coding, reverse);
        featureDbi->createGene(g, seq, coding ? QVector<NxRegion>{r} : QVector<NxRegion>(), os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    void addRegion(const NxDataId& seq, const QString& setName, qint64 start, qint64 length) {
        NxFeature f;
        f.sequenceId = seq;
        f.featureClass = setName;
        f.location = NxRegion(start, length);
        featureDbi->createFeature(f, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    static QList<QByteArray> idsOf(const QList<Gene>& genes) {
        QList<QByteArray> res;
        for (const Gene& g : genes) {
            res << g.getFeatureId();
        }
        return res;
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    SQLiteFeatureDbi* featureDbi = nullptr;
    NxSequenceDbi* sequenceDbi = nullptr;
};

}  // namespace Nx
