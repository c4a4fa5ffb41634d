// What the five script elements' tests share: a reference database with hand-placed coding
// transcripts, a workflow database, and one element's worker driven over real channels with the
// real scheduler. The element's script is replaced in a sandboxed data folder by one that prints
// its result key and its own command line as a JSON list, so a test sees exactly what a script
// was handed.
//
// Reference "chrP", SEQUENCE_LENGTH bases of fixed background with, on the forward strand:
//   T1   name "G1",  span and exon [100, 200), coding [100, 130), accession "Q00001"
//        ATG AAA CAC TGG GAA CTG GCA CGT GGC TAA  ->  M K H W E L A R G (codon i at 100 + 3i)
//   T2   name "G2",  span and exon [103, 200), coding [103, 130), no accession
//        AAA CAC ... (the same bases one codon later)  ->  K H W E L A R G
//   T3   name "FR1", the same as T1, accession "Q00003" (left out by the 1D element's filter)
#pragma once

#include "../../tests/RequestTestSupport.h"
#include "../../tests/WorkerTestBed.h"

#include <BaseRequestForSnpWorker.h>


#include <QJsonArray>

#include <functional>

namespace Nx {
namespace ScriptElementTestBed {

const qint64 SEQUENCE_LENGTH = 400;
const qint64 CDS_START = 100;
const QByteArray CDS = "ATGAAACACTGGGAACTGGCACGTGGCTAA";

// The reference letters of chrP.
QByteArray chromosome();
// A single-base variation at pos with the reference letter of chrP.
NxVariant snv(qint64 pos, char obs, const QString& publicId = QString());

// Writes the reference database; false with the error on failure.
bool buildReference(const QString& path, QString& error);

class Element : public WorkerTestBed<LocalWorkflow::BaseRequestForSnpWorker> {
public:
    // Installs the element when its prototype is not registered yet, creates an actor with the
    // reference as "db_path" (when the element has one) and a worker from the registered factory.
    // The stand-in script answers under resultKey.
    bool setUp(const QString& actorId, const QString& resultKey, const std::function<void()>& install,
               QString& error);
    ~Element();

    // Puts the track on the input and runs the step's task group to its end; the number of
    // per-variation tasks (0 when the step returned none).
    int run(QList<NxVariant>& variants, const QString& sequenceName = "chrP");
    // attribute name -> the script's command line after the script path, for one variation.
    QMap<QString, QJsonArray> answers(const NxVariant& variation);

    RequestTestSupport::Sandbox box;
    QString referencePath;
};

}  // namespace ScriptElementTestBed
}  // namespace Nx
