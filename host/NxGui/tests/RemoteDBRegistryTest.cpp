// Which identifiers reach the network, where they are fetched from and which file they become.
#include <NxCore/core/NxOpStatus.h>
#include <NxGui/remote/RemoteDBRegistry.h>

#include <gtest/gtest.h>

namespace Nx {

TEST(RemoteDBRegistryTest, AcceptsOnlyPublicPdbIdentifiers) {
    for (const char* ok : {"1crn", "1CRN", "4hhb", "9xyz", "pdb_00001crn", "pdb_12341abc"}) {
        EXPECT_TRUE(RemoteDBRegistry::isValidAccession("PDB", ok)) << ok;
    }
    for (const char* bad : {"", "crn1", "1cr", "1crnn", "1cr/", "1c n", "../../x", "1crn\n", "PDB_00001crn",
                            "pdb_0001crn", "pdb_0000xcrn", "pdb_00001crn.pdb", "1crn;rm"}) {
        EXPECT_FALSE(RemoteDBRegistry::isValidAccession("PDB", bad)) << bad;
    }
    EXPECT_FALSE(RemoteDBRegistry::isValidAccession("pdb", "1crn"));
    EXPECT_FALSE(RemoteDBRegistry::isValidAccession("UNIPROT", "1crn"));
}

TEST(RemoteDBRegistryTest, AcceptsOnlyEnsemblStableIdentifiers) {
    for (const char* ok : {"ENSG00000139618", "ENST00000380152.8", "ENSP00000369497", "ENSMUSG00000017167",
                           "ENSE00001484009", "ENSR00000105157", "ENSDARG00000030402.9"}) {
        EXPECT_TRUE(RemoteDBRegistry::isValidAccession("ENSEMBL", ok)) << ok;
    }
    for (const char* bad : {"", "ENSG0000013961", "ENSG000001396188", "ensg00000139618", "ENSX00000139618",
                            "ENSG00000139618.", "ENSG00000139618/../x", "ENSG 00000139618", "BRCA2",
                            "ENSG00000139618?x=1", "ENSG00000139618\n", "ENSGT00390000003602"}) {
        EXPECT_FALSE(RemoteDBRegistry::isValidAccession("ENSEMBL", bad)) << bad;
    }
}

TEST(RemoteDBRegistryTest, EntryAddressesAndFileNamesComeFromTheIdentifier) {
    qputenv("NX_PDB_URL", "http://127.0.0.1:9/pdb/");
    qputenv("NX_ENSEMBL_URL", "http://127.0.0.1:9");
    NxOpStatusImpl os;
    EXPECT_EQ(RemoteDBRegistry::getEntryUrl("PDB", "1crn", os).toString(), "http://127.0.0.1:9/pdb/1CRN.pdb");
    EXPECT_EQ(RemoteDBRegistry::getEntryUrl("PDB", "pdb_00001crn", os).toString(), "http://127.0.0.1:9/pdb/1CRN.pdb");
    EXPECT_EQ(RemoteDBRegistry::getEntryUrl("PDB", "pdb_12341abc", os).toString(), "http://127.0.0.1:9/pdb/pdb_12341abc.cif");
    EXPECT_EQ(RemoteDBRegistry::getEntryUrl("ENSEMBL", "ENSG00000139618", os).toString(),
              "http://127.0.0.1:9/sequence/id/ENSG00000139618?content-type=text/x-fasta");
    EXPECT_FALSE(os.hasError());
    EXPECT_EQ(RemoteDBRegistry::getEntryFileName("PDB", "1CRN"), "1crn.pdb");
    EXPECT_EQ(RemoteDBRegistry::getEntryFileName("ENSEMBL", "ENST00000380152.8"), "ENST00000380152.8.fa");
    EXPECT_EQ(RemoteDBRegistry::getEntryFileName("PDB", "../../x"), "");

    NxOpStatusImpl bad;
    EXPECT_FALSE(RemoteDBRegistry::getEntryUrl("PDB", "1c/n", bad).isValid());
    EXPECT_TRUE(bad.getError().contains("not a valid PDB identifier")) << bad.getError().toStdString();

    qputenv("NX_PDB_URL", "file:///etc");
    NxOpStatusImpl scheme;
    EXPECT_FALSE(RemoteDBRegistry::getEntryUrl("PDB", "1crn", scheme).isValid());
    EXPECT_TRUE(scheme.getError().contains("not an http(s) address")) << scheme.getError().toStdString();
    qunsetenv("NX_PDB_URL");
    qunsetenv("NX_ENSEMBL_URL");

    NxOpStatusImpl defaults;
    EXPECT_EQ(RemoteDBRegistry::getBaseUrl("PDB", defaults), "https://files.rcsb.org/download");
    EXPECT_EQ(RemoteDBRegistry::getBaseUrl("ENSEMBL", defaults), "https://rest.ensembl.org");
}

}  // namespace Nx
