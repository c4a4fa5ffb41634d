// What the context makes by itself, and the settings stores that the programs create.
#include "QtTestEnvironment.h"

#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNATranslationRegistry.h>
#include <NxCore/datapath/NxDataPathRegistry.h>
#include <NxPrivate/settings/AppSettingsImpl.h>
#include <NxPrivate/settings/SettingsImpl.h>

#include <NxTest/GTestFramework.h>
#include <NxTest/XMLTestFormat.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace Nx {

TEST(AppContextImplTest, ContextMakesTheRegistriesNoProgramCreates) {
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    EXPECT_EQ(AppContext::getInstance(), ctx);
    EXPECT_EQ(AppContextImpl::getApplicationContext(), ctx);
    ASSERT_NE(AppContext::getDataPathRegistry(), nullptr);
    ASSERT_NE(AppContext::getTestFramework(), nullptr);
    EXPECT_NE(qobject_cast<XMLTestFormat*>(AppContext::getTestFramework()->getTestFormatRegistry()->findFormat("XML")), nullptr);
    ASSERT_NE(AppContext::getDNAAlphabetRegistry(), nullptr);
    EXPECT_FALSE(AppContext::getDNAAlphabetRegistry()->getRegisteredAlphabets().isEmpty());
    ASSERT_NE(AppContext::getDNATranslationRegistry(), nullptr);
    EXPECT_FALSE(AppContext::getDNATranslationRegistry()->getTranslations().isEmpty());
    // Everything a program creates starts empty.
    EXPECT_EQ(AppContext::getPluginSupport(), nullptr);
    EXPECT_EQ(AppContext::getCMDLineRegistry(), nullptr);
    EXPECT_EQ(AppContext::getAppSettings(), nullptr);
}

TEST(AppContextImplTest, SettingsPersistPerScope) {
    QTemporaryDir dir;
    qputenv("NX_SETTINGS_DIR", dir.path().toLocal8Bit());
    {
        SettingsImpl user(QSettings::UserScope);
        user.setValue("app/threads", 3);
        user.setValue("workflow/last", "/data/a.json");
        user.sync();
        EXPECT_TRUE(user.fileName().startsWith(dir.path())) << user.fileName().toStdString();
    }
    SettingsImpl again(QSettings::UserScope);
    EXPECT_EQ(again.getValue("app/threads").toInt(), 3);
    EXPECT_EQ(again.getAllKeys("workflow"), QStringList{"last"});
    SettingsImpl system(QSettings::SystemScope);
    EXPECT_FALSE(system.contains("app/threads")) << "the scopes are separate stores";

    // The application settings take the thread count from the user store.
    AppContextImpl::getApplicationContext()->setSettings(&again);
    QString root;
    {
        AppSettingsImpl appSettings;
        EXPECT_EQ(appSettings.getAppResourcePool()->getIdealThreadCount(), 3);
        QString tmp = UserAppsSettings::getCurrentProcessTemporaryDirPath("session");
        ASSERT_FALSE(tmp.isEmpty());
        EXPECT_TRUE(QFileInfo(tmp).isDir());
        EXPECT_TRUE(tmp.contains(QString::number(QCoreApplication::applicationPid())));
        root = UserAppsSettings::getCurrentProcessTemporaryDirPath();
        EXPECT_EQ(QFileInfo(tmp).absolutePath(), root);
        EXPECT_TRUE(QDir(root).exists());
        QFile leftover(tmp + "/a.s3db");
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(QDir(root).exists()) << "the temporary folder goes with the application settings";
    AppContextImpl::getApplicationContext()->setSettings(nullptr);
    qunsetenv("NX_SETTINGS_DIR");
}

}  // namespace Nx
