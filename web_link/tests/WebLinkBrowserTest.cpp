// End to end with a real browser: the example page of data/web_link, served from 127.0.0.1,
// open in Chromium (with a window, on a virtual X display: headless Chromium keeps a clipboard
// of its own) and driven over the DevTools protocol. A click on each button puts a command on
// the X clipboard and the windowed suite opens the entry or the data.
#include "ExternalSession.h"

#include <NxGui/testing/LoopbackHttpServer.h>
#include <NxGui/testing/RemoteEntries.h>
#include <NxGui/testing/browser/DevToolsPipe.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace Nx {

class WebLinkBrowserTest : public ::testing::Test {
protected:
    // Evaluates an expression in the page and returns its value as text.
    QString evaluate(const QString& expression, QString* error = nullptr) {
        QJsonObject r = browser.call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}},
                                     session, error);
        return r.value("result").toObject().value("value").toVariant().toString();
    }
    // A real mouse click in the middle of the element: a user gesture for the page.
    bool click(const QString& elementId, QString* error) {
        const QString rect = evaluate(QString("JSON.stringify(document.getElementById('%1').getBoundingClientRect())").arg(elementId), error);
        QJsonObject box = QJsonDocument::fromJson(rect.toUtf8()).object();
        if (box.isEmpty()) {
            *error = "no element " + elementId;
            return false;
        }
        const double x = box.value("x").toDouble() + box.value("width").toDouble() / 2;
        const double y = box.value("y").toDouble() + box.value("height").toDouble() / 2;
        for (const char* type : {"mousePressed", "mouseReleased"}) {
            browser.call("Input.dispatchMouseEvent",
                         {{"type", type}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}}, session, error);
            if (!error->isEmpty()) return false;
        }
        return true;
    }

    QTemporaryDir tmp;    // the browser's profile: removed only after the browser has ended
    DevToolsPipe browser;
    QString session;
};

TEST_F(WebLinkBrowserTest, ButtonsOfTheExamplePageOpenEntriesAndDataInTheSuite) {
    ensureCoreApplication();
    QString chromium = findTool("chromium");
    for (const char* tool : {"Xvfb", "xclip"}) {
        if (findTool(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed: the browser test is skipped";
    }
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed (Debian package chromium): the browser test is skipped";
    if (!QFileInfo(QString(NX_BINARY_DIR) + "/bin/nolix").isExecutable()) GTEST_SKIP() << "build/bin/nolix is not built";

    XvfbServer x;
    QString why;
    ASSERT_TRUE(x.start(&why)) << why.toStdString();

    QFile page(QString(NX_SOURCE_DIR) + "/data/web_link/index.html");
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    LoopbackHttpServer server;
    ASSERT_TRUE(server.start());
    server.setFile("/index.html", page.readAll(), "text/html; charset=utf-8");
    server.setFile("/1CRN.pdb", PDB_1CRN);
    server.setFile("/sequence/id/ENSG00000139618?content-type=text/x-fasta", ENSG_FASTA);
    const QString origin = server.baseUrl();

    SuiteProcess suite;
    ASSERT_TRUE(suite.start(x.display(), suiteEnvironment(origin, tmp.path()), &why)) << why.toStdString();
    ASSERT_TRUE(suite.waitForLog("Plug-in loaded: WebLink", 15000)) << suite.log().toStdString();

    const QString browserLog = tmp.filePath("chromium.log");
    ASSERT_TRUE(browser.start(chromium,
                              {"--no-sandbox", "--disable-gpu", "--no-first-run", "--no-default-browser-check",
                               "--disable-background-networking", "--disable-component-update", "--disable-sync",
                               "--password-store=basic", "--ozone-platform=x11", "--window-size=900,700",
                               "--user-data-dir=" + tmp.filePath("profile"), origin + "/index.html"},
                              {"DISPLAY=" + x.display(), "XDG_RUNTIME_DIR=" + tmp.path(), "HOME=" + tmp.path()},
                              browserLog, &why))
        << why.toStdString();
    auto browserLogText = [&] {
        QFile f(browserLog);
        return f.open(QIODevice::ReadOnly) ? f.readAll().right(3000).toStdString() : std::string();
    };

    // The page's tab: attach to it.
    QString err;
    QString targetId;
    spinUntil([&] {
        QJsonArray targets = browser.call("Target.getTargets", {}, {}, &err).value("targetInfos").toArray();
        for (const QJsonValue& t : targets) {
            if (t.toObject().value("type").toString() == "page" && t.toObject().value("url").toString().startsWith(origin)) {
                targetId = t.toObject().value("targetId").toString();
            }
        }
        return !targetId.isEmpty() || !err.isEmpty();
    }, 20000);
    ASSERT_FALSE(targetId.isEmpty()) << err.toStdString() << browserLogText();
    session = browser.call("Target.attachToTarget", {{"targetId", targetId}, {"flatten", true}}, {}, &err)
                  .value("sessionId").toString();
    ASSERT_FALSE(session.isEmpty()) << err.toStdString();
    browser.call("Browser.grantPermissions",
                 {{"origin", origin}, {"permissions", QJsonArray{"clipboardReadWrite", "clipboardSanitizedWrite"}}}, {}, &err);
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    browser.call("Emulation.setFocusEmulationEnabled", {{"enabled", true}}, session, &err);
    ASSERT_TRUE(spinUntil([&] { return evaluate("document.readyState + (document.getElementById('copy-selection') !== null)") == "completetrue"; }, 15000)) << browserLogText();

    XClipboard clipboard(x.display());
    const struct {
        QString button;
        QString listed;
    } cases[] = {
        {"copy-pdb", "Document listed in the window: 1crn.pdb"},
        {"copy-ensembl", "Document listed in the window: ENSG00000139618.fa"},
        {"copy-selection", "Document listed in the window: clipboard_data_"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(click(c.button, &err)) << err.toStdString();
        EXPECT_TRUE(spinUntil([&] { return evaluate("document.getElementById('status').textContent").startsWith("Copied"); }, 5000))
            << "page says: " << evaluate("document.getElementById('status').textContent").toStdString();
        // The browser stays open (it serves the clipboard) until the suite has read and emptied it.
        EXPECT_TRUE(suite.waitForLog(c.listed, 10000)) << suite.log().toStdString();
        EXPECT_TRUE(spinUntil([&] { return clipboard.text().isEmpty(); }, 5000)) << clipboard.text().toStdString();
    }
    EXPECT_EQ(server.requestedPaths().filter("/1CRN.pdb").size(), 1);
    EXPECT_EQ(server.requestedPaths().filter("/sequence/id/ENSG00000139618").size(), 1);
    EXPECT_TRUE(suite.log().contains("(FASTA, 1 sequence(s), 16 residues)")) << suite.log().toStdString();

    browser.close();
    EXPECT_EQ(suite.terminate(), 0) << suite.log().toStdString();
}

}  // namespace Nx
