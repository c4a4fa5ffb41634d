// Every way a workflow file can be wrong gives one error naming the file and the element.
#include "TestElements.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxLang/io/WorkflowFileLoader.h>
#include <NxLang/model/Schema.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Nx;

namespace {

QString loadError(const QByteArray& json, const QList<WorkflowFileLoader::Override>& overrides = {}) {
    TestElements::registerAll();
    NxOpStatusImpl os;
    QScopedPointer<Schema> s(WorkflowFileLoader::loadFromData(json, "/w/flow.json", "/w", overrides, os));
    EXPECT_EQ(s.isNull(), os.hasError());
    return os.getError();
}

const char* GOOD = R"({"elements": [{"name": "src", "type": "t-source", "attributes": {"tracks": "T1"}},
                                    {"name": "sink", "type": "t-sink"}],
                       "links": [{"from": "src", "to": "sink"}]})";

}  // namespace

TEST(WorkflowFileLoader, goodFileLoadsWithValuesAndLinks) {
    TestElements::registerAll();
    NxOpStatusImpl os;
    QScopedPointer<Schema> s(WorkflowFileLoader::loadFromData(GOOD, "/w/flow.json", "/w", {{"sink", "note", "x"}}, os));
    ASSERT_FALSE(s.isNull()) << os.getError().toStdString();
    ASSERT_EQ(s->getProcesses().size(), 2);
    EXPECT_EQ(s->actorById("src")->getParameter("tracks")->getAttributePureValue().toString(), "T1");
    EXPECT_EQ(s->actorById("sink")->getParameter("note")->getAttributePureValue().toString(), "x");
    ASSERT_EQ(s->getFlows().size(), 1);
    EXPECT_EQ(s->getFlows().first().destination()->owner()->getId(), "sink");
}

TEST(WorkflowFileLoader, readsFromDiskAndNamesAMissingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("flow.json");
    NxOpStatusImpl os;
    EXPECT_EQ(WorkflowFileLoader::load(path, {}, os), nullptr);
    EXPECT_TRUE(os.getError().contains(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GOOD);
    f.close();
    NxOpStatusImpl os2;
    QScopedPointer<Schema> s(WorkflowFileLoader::load(path, {}, os2));
    EXPECT_FALSE(s.isNull()) << os2.getError().toStdString();
}

TEST(WorkflowFileLoader, syntaxErrorNamesFileAndLine) {
    const QString e = loadError("{\"elements\": [\n{\"name\": \"a\",\n \"type\" \"t-sink\"}]}");
    EXPECT_TRUE(e.startsWith("/w/flow.json: line 3")) << e.toStdString();
}

TEST(WorkflowFileLoader, elementErrors) {
    QString e = loadError(QByteArray(GOOD).replace("\"t-sink\"", "\"no-such\""));
    EXPECT_TRUE(e.contains("/w/flow.json") && e.contains("element \"sink\"") && e.contains("unknown type \"no-such\""))
        << e.toStdString();

    e = loadError(QByteArray(GOOD).replace("\"tracks\"", "\"trax\""));
    EXPECT_TRUE(e.contains("element \"src\"") && e.contains("unknown attribute \"trax\"")) << e.toStdString();

    e = loadError(QByteArray(GOOD).replace("\"attributes\": {\"tracks\": \"T1\"}", "\"attributes\": {}"));
    EXPECT_TRUE(e.contains("element \"src\"") && e.contains("required attribute \"tracks\"")) << e.toStdString();

    // A misspelt key would otherwise drop the element's settings without a word.
    e = loadError(QByteArray(GOOD).replace("\"attributes\": {\"tracks\"", "\"atributes\": {\"tracks\""));
    EXPECT_TRUE(e.contains("element \"src\"") && e.contains("unknown entry \"atributes\"")) << e.toStdString();

    e = loadError(QByteArray(GOOD).replace("\"name\": \"sink\"", "\"name\": \"src\""));
    EXPECT_TRUE(e.contains("element \"src\"") && e.contains("twice")) << e.toStdString();
}

TEST(WorkflowFileLoader, attributeValuesAreCheckedAgainstTheirType) {
    const QString e = loadError(R"({"elements": [{"name": "src", "type": "t-source", "attributes": {"tracks": "T1"}},
        {"name": "p", "type": "t-pass", "attributes": {"count": "many"}}, {"name": "sink", "type": "t-sink"}],
        "links": [{"from": "src", "to": "p"}, {"from": "p", "to": "sink"}]})");
    EXPECT_TRUE(e.contains("element \"p\"") && e.contains("\"count\"") && e.contains("many")) << e.toStdString();
}

TEST(WorkflowFileLoader, badLinks) {
    QString e = loadError(QByteArray(GOOD).replace("\"to\": \"sink\"", "\"to\": \"nowhere\""));
    EXPECT_TRUE(e.contains("unknown element \"nowhere\"")) << e.toStdString();

    e = loadError(QByteArray(GOOD).replace("\"to\": \"sink\"", "\"to\": \"sink.bad-port\""));
    EXPECT_TRUE(e.contains("element \"sink\"") && e.contains("no input port \"bad-port\"")) << e.toStdString();

    // The sink has no output port to start a link from.
    e = loadError(QByteArray(GOOD).replace("{\"from\": \"src\", \"to\": \"sink\"}", "{\"from\": \"sink\", \"to\": \"src\"}"));
    EXPECT_TRUE(e.contains("element \"sink\"") && e.contains("0 output ports")) << e.toStdString();

    e = loadError(QByteArray(GOOD).replace(",\n                       \"links\": [{\"from\": \"src\", \"to\": \"sink\"}]", ""));
    EXPECT_TRUE(e.contains("element \"sink\"") && e.contains("not linked")) << e.toStdString();
}

TEST(WorkflowFileLoader, cycleIsRejectedNamingAnElementOnIt) {
    // "after" only hangs behind the cycle p1 -> p2 -> p1; the error must name p1 or p2.
    const QString e = loadError(R"({"elements": [{"name": "after", "type": "t-sink"}, {"name": "p1", "type": "t-pass"},
        {"name": "p2", "type": "t-pass"}],
        "links": [{"from": "p2", "to": "after"}, {"from": "p1", "to": "p2"}, {"from": "p2", "to": "p1"}]})");
    EXPECT_TRUE(e.contains("cycle")) << e.toStdString();
    EXPECT_TRUE(e.contains("element \"p1\"") || e.contains("element \"p2\"")) << e.toStdString();
}

TEST(WorkflowFileLoader, inputWhoseSlotNobodyProvidesIsRejected) {
    // A pass element's output carries no slot of its own: fed by nothing that has the track
    // slot, its successor could never get a track.
    const QString e = loadError(R"({"elements": [{"name": "p1", "type": "t-pass"}, {"name": "s", "type": "t-sink"}],
        "links": [{"from": "p1", "to": "s"}]})");
    EXPECT_TRUE(e.contains("element \"p1\"")) << e.toStdString();
}

TEST(WorkflowFileLoader, commandLineSettings) {
    NxOpStatusImpl os;
    WorkflowFileLoader::Override o = WorkflowFileLoader::parseOverride("sink.note=a=b", os);
    EXPECT_FALSE(os.hasError());
    EXPECT_EQ(o.element, "sink");
    EXPECT_EQ(o.attribute, "note");
    EXPECT_EQ(o.value, "a=b");
    NxOpStatusImpl bad;
    WorkflowFileLoader::parseOverride("sinknote", bad);
    EXPECT_TRUE(bad.getError().contains("sinknote"));

    QString e = loadError(GOOD, {{"ghost", "note", "x"}});
    EXPECT_TRUE(e.contains("unknown element \"ghost\"")) << e.toStdString();
    e = loadError(GOOD, {{"sink", "ghost", "x"}});
    EXPECT_TRUE(e.contains("element \"sink\"") && e.contains("unknown attribute \"ghost\"")) << e.toStdString();
    // A setting may fill a required attribute the file left out.
    EXPECT_TRUE(loadError(QByteArray(GOOD).replace("\"attributes\": {\"tracks\": \"T1\"}", "\"attributes\": {}"),
                          {{"src", "tracks", "T9"}})
                    .isEmpty());
}
