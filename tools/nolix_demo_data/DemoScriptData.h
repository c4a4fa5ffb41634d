// What the analysis scripts of the demo need beyond the reference-database inputs:
//  1. an alpha-globin gene ("HBA1", accession P69905, whose protein is that of PDB entry 4HHB
//     chain A) appended to the last chromosome, with demo records at His58 and His87 of the haem
//     pocket, at Val1 outside it, and in its promoter inside a stretch that holds known
//     transcription-factor sites;
//  2. public identifiers ("rs...") on the promoter, TATA-box, intergenic and globin records and
//     on every tenth other record;
//  3. rsids.bed, the identifier table (every identified record but one promoter record, which
//     stays unknown), and chip_peaks/, peaks of two factors over some identified promoter
//     records, one ending exactly at a record (not covering it) and one starting at one.
// The globin locus and its records come from their own random stream after the rest is planned,
// so every other record, gene and base stays what the seed gave before.
#pragma once

#include "DemoModel.h"

namespace Nx {

class DemoScriptData {
public:
    static const char* const GLOBIN_ACCESSION;  // "P69905"
    static const char* const GLOBIN_PROTEIN;    // its 142 residues, Met first
    // The promoter stretch with transcription-factor sites; its 21st base (a T) is changed to A.
    static const char* const TF_SITE_STRETCH;

    // Step 1; call after the variants are planned and finished.
    static void addGlobinGene(DemoGenome& genome, quint64 seed);
    // Step 2; call last, on the sorted records.
    static void assignIds(DemoGenome& genome);
    // Step 3: rsids.bed and chip_peaks/{CTCF.narrowPeak,EP300.bed} in dir.
    static bool writeChipData(const QString& dir, const DemoGenome& genome, QString& error);
};

}  // namespace Nx
