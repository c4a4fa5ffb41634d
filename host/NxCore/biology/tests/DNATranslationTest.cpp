// The genetic code is checked against a table written per amino acid (the form textbooks list it
// in), not against the TCAG string the translation is built from.
#include <NxCore/biology/BaseDNAAlphabetIds.h>
#include <NxCore/biology/DNAAlphabet.h>
#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNAAminoTranslation.h>
#include <NxCore/biology/DNAComplementTranslation.h>
#include <NxCore/biology/DNATranslationRegistry.h>

#include <gtest/gtest.h>

#include <QMap>
#include <QStringList>

using namespace Nx;

namespace {

QMap<QString, char> codonsByAminoAcid() {
    const char* table[] = {
        "A GCT GCC GCA GCG",     "R CGT CGC CGA CGG AGA AGG", "N AAT AAC", "D GAT GAC", "C TGT TGC",
        "Q CAA CAG",             "E GAA GAG",                 "G GGT GGC GGA GGG", "H CAT CAC",
        "I ATT ATC ATA",         "L TTA TTG CTT CTC CTA CTG", "K AAA AAG", "M ATG", "F TTT TTC",
        "P CCT CCC CCA CCG",     "S TCT TCC TCA TCG AGT AGC", "T ACT ACC ACA ACG", "W TGG",
        "Y TAT TAC",             "V GTT GTC GTA GTG",         "* TAA TAG TGA",
    };
    QMap<QString, char> result;
    for (const char* line : table) {
        QStringList words = QString(line).split(' ');
        char aa = words.takeFirst()[0].toLatin1();
        for (const QString& codon : words) {
            result[codon] = aa;
        }
    }
    return result;
}

class TranslationRegistryTest : public ::testing::Test {
protected:
    DNAAlphabetRegistry alphabets;
    DNATranslationRegistry translations{&alphabets};
    const DNAAlphabet* dna = alphabets.findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT());

    DNATranslation* first(DNATranslationType type) {
        QList<DNATranslation*> list = translations.lookupTranslation(dna, type);
        return list.isEmpty() ? nullptr : list.first();
    }
};

}  // namespace

TEST_F(TranslationRegistryTest, StandardDnaHasComplementAndGeneticCodeUnderTypes2And3) {
    ASSERT_NE(dna, nullptr);
    DNATranslation* complement = first(DNATranslationType(2));
    DNATranslation* amino = first(DNATranslationType(3));
    ASSERT_NE(complement, nullptr);
    ASSERT_NE(amino, nullptr);
    EXPECT_EQ(complement->getTranslationType(), DNATranslationType::NucleotideToComplement);
    EXPECT_EQ(amino->getTranslationType(), DNATranslationType::NucleotideToAmino);
    EXPECT_TRUE(translations.lookupTranslation(nullptr, DNATranslationType(3)).isEmpty());
    const DNAAlphabet* aminoAlphabet = alphabets.findById(BaseDNAAlphabetIds::AMINO_DEFAULT());
    EXPECT_TRUE(translations.lookupTranslation(aminoAlphabet, DNATranslationType(2)).isEmpty());
}

TEST_F(TranslationRegistryTest, LookupMatchesAnAlphabetOfAnotherRegistryById) {
    DNATranslationRegistry standalone;  // no application context: keeps alphabets of its own
    QList<DNATranslation*> list = standalone.lookupTranslation(dna, DNATranslationType::NucleotideToAmino);
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list.first()->translate3to1('T', 'G', 'G'), 'W');
}

TEST_F(TranslationRegistryTest, GeneticCodeMatchesTheTextbookTableForAll64Codons) {
    DNATranslation* amino = first(DNATranslationType::NucleotideToAmino);
    ASSERT_NE(amino, nullptr);
    QMap<QString, char> expected = codonsByAminoAcid();
    ASSERT_EQ(expected.size(), 64);
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        QByteArray c = it.key().toLatin1();
        EXPECT_EQ(amino->translate3to1(c[0], c[1], c[2]), it.value()) << c.constData();
        QByteArray lower = c.toLower();
        EXPECT_EQ(amino->translate3to1(lower[0], lower[1], lower[2]), it.value()) << lower.constData();
    }
}

TEST_F(TranslationRegistryTest, GeneticCodeGivesXForAmbiguityAndReadsU) {
    DNATranslation* amino = first(DNATranslationType::NucleotideToAmino);
    ASSERT_NE(amino, nullptr);
    EXPECT_EQ(amino->translate3to1('A', 'U', 'G'), 'M');
    EXPECT_EQ(amino->translate3to1('U', 'G', 'A'), '*');
    EXPECT_EQ(amino->translate3to1('G', 'C', 'N'), 'X');
    EXPECT_EQ(amino->translate3to1('N', 'T', 'G'), 'X');
    EXPECT_EQ(amino->translate3to1('A', 'R', 'G'), 'X');
    EXPECT_EQ(amino->translate3to1('A', 'T', '\0'), 'X');
    EXPECT_EQ(amino->translate3to1('-', 'T', 'G'), 'X');
}

TEST_F(TranslationRegistryTest, GeneticCodeTranslatesABufferInPlace) {
    DNATranslation* amino = first(DNATranslationType::NucleotideToAmino);
    ASSERT_NE(amino, nullptr);
    QByteArray buffer("ATGGCCTGGTAAGA");  // M A W * and two spare bases
    qint64 n = amino->translate(buffer.data(), buffer.size());
    ASSERT_EQ(n, 4);
    EXPECT_EQ(buffer.left(4), QByteArray("MAW*"));
}

TEST_F(TranslationRegistryTest, ComplementIsBaseByBaseKeepingCaseAndIupac) {
    DNATranslation* complement = first(DNATranslationType::NucleotideToComplement);
    ASSERT_NE(complement, nullptr);
    QByteArray buffer("ACGTacgtRYKMSWBDHVNnU-X.");
    qint64 n = complement->translate(buffer.data(), buffer.size());
    EXPECT_EQ(n, buffer.size());
    EXPECT_EQ(buffer, QByteArray("TGCAtgcaYRMKSWVHDBNnA-X."));
    // Applying it twice gives back what it started from (U aside).
    QByteArray twice("GATTACAryb");
    complement->translate(twice.data(), twice.size());
    complement->translate(twice.data(), twice.size());
    EXPECT_EQ(twice, QByteArray("GATTACAryb"));
}

TEST(DNAComplementTranslationTest, ReverseComplementReadsTheOtherStrand) {
    DNAComplementTranslation t("c", nullptr);
    EXPECT_EQ(t.reverseComplement("ATGCCN"), QByteArray("NGGCAT"));
    EXPECT_EQ(t.reverseComplement(""), QByteArray(""));
}

TEST(DNAAlphabetRegistryTest, DefaultRegistryKnowsTheStandardAlphabets) {
    DNAAlphabetRegistry r;
    const DNAAlphabet* dna = r.findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT());
    ASSERT_NE(dna, nullptr);
    EXPECT_TRUE(dna->isNucleic());
    EXPECT_TRUE(dna->containsAll("ACGTNacgtn-"));
    EXPECT_FALSE(dna->contains('R'));
    EXPECT_FALSE(dna->contains('U'));
    const DNAAlphabet* ext = r.findById(BaseDNAAlphabetIds::NUCL_DNA_EXTENDED());
    ASSERT_NE(ext, nullptr);
    EXPECT_TRUE(ext->containsAll("RYKMSWBDHVryk"));
    ASSERT_NE(r.findById(BaseDNAAlphabetIds::AMINO_DEFAULT()), nullptr);
    EXPECT_TRUE(r.findById(BaseDNAAlphabetIds::AMINO_DEFAULT())->isAmino());
    ASSERT_NE(r.findById(BaseDNAAlphabetIds::RAW()), nullptr);
    EXPECT_TRUE(r.findById(BaseDNAAlphabetIds::RAW())->contains('\x01'));
    EXPECT_EQ(r.findById("no-such-alphabet"), nullptr);
}

TEST(DNAAlphabetRegistryTest, SecondAlphabetWithTheSameIdIsRefused) {
    DNAAlphabetRegistry r;
    int before = r.getRegisteredAlphabets().size();
    EXPECT_FALSE(r.registerAlphabet(new DNAAlphabet(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT(), "dup",
                                                    DNAAlphabetType::Nucleic, "AC")));
    EXPECT_EQ(r.getRegisteredAlphabets().size(), before);
    EXPECT_TRUE(r.findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT())->contains('T'));
    EXPECT_TRUE(r.registerAlphabet(new DNAAlphabet("mine", "mine", DNAAlphabetType::Nucleic, "AC")));
    EXPECT_NE(r.findById("mine"), nullptr);
}
