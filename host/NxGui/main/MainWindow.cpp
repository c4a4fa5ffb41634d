#include "MainWindow.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/TaskScheduler.h>
#include <NxGui/project/Document.h>
#include <NxGui/project/DocumentFormat.h>
#include <NxGui/project/Project.h>
#include <NxGui/project/ProjectLoader.h>

#include <QAction>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace Nx {

namespace {
const int DocumentRole = Qt::UserRole + 1;
}

MainWindow::MainWindow(Project* p, QWidget* parent) : QMainWindow(parent), project(p) {
    setWindowTitle(tr("Nolix"));
    setObjectName("main_window");

    auto* splitter = new QSplitter(this);
    documentList = new QListWidget(splitter);
    documentList->setObjectName("document_list");
    auto* right = new QWidget(splitter);
    auto* layout = new QVBoxLayout(right);
    layout->setContentsMargins(0, 0, 0, 0);
    documentInfo = new QLabel(right);
    documentView = new QPlainTextEdit(right);
    documentView->setObjectName("document_view");
    documentView->setReadOnly(true);
    documentView->setLineWrapMode(QPlainTextEdit::NoWrap);
    documentView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(documentInfo);
    layout->addWidget(documentView);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);
    resize(1000, 640);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open..."), this, &MainWindow::sl_openFiles);
    open->setShortcut(QKeySequence::Open);
    QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    connect(documentList, &QListWidget::itemSelectionChanged, this, &MainWindow::sl_selectionChanged);
    if (project != nullptr) {
        connect(project, &Project::si_documentAdded, this, &MainWindow::sl_documentAdded);
        connect(project, &Project::si_documentRemoved, this, &MainWindow::sl_documentRemoved);
        for (Document* d : project->getDocuments()) {
            sl_documentAdded(d);
        }
    }
    if (TaskScheduler* ts = AppContext::getTaskScheduler()) {
        connect(ts, &TaskScheduler::si_stateChanged, this, &MainWindow::sl_taskStateChanged);
    }
    statusBar()->showMessage(tr("Ready"));
}

QStringList MainWindow::getListedDocumentNames() const {
    QStringList names;
    for (int i = 0; i < documentList->count(); i++) {
        names.append(documentList->item(i)->data(Qt::DisplayRole).toString());
    }
    return names;
}

void MainWindow::sl_documentAdded(Document* d) {
    auto* item = new QListWidgetItem(d->getName(), documentList);
    item->setData(DocumentRole, QVariant::fromValue<QObject*>(d));
    item->setToolTip(QString("%1\n%2").arg(d->getURL().getURLString(), d->getSummary()));
    documentList->setCurrentItem(item);
    uiLog.info(QString("Document listed in the window: %1").arg(d->getName()));
}

void MainWindow::sl_documentRemoved(Document* d) {
    for (int i = 0; i < documentList->count(); i++) {
        if (documentList->item(i)->data(DocumentRole).value<QObject*>() == d) {
            delete documentList->takeItem(i);
            break;
        }
    }
    if (activeDocument == d) {
        showDocument(nullptr);
    }
}

void MainWindow::sl_selectionChanged() {
    QListWidgetItem* item = documentList->currentItem();
    showDocument(item == nullptr ? nullptr : qobject_cast<Document*>(item->data(DocumentRole).value<QObject*>()));
}

void MainWindow::showDocument(Document* d) {
    activeDocument = d;
    if (d == nullptr) {
        documentInfo->clear();
        documentView->clear();
        return;
    }
    documentInfo->setText(QString("%1 - %2: %3").arg(d->getName(), DocumentFormat::displayName(d->getFormatId()),
                                                      d->getSummary()));
    documentView->setPlainText(d->getText());
}

void MainWindow::sl_openFiles() {
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("Open files"));
    ProjectLoader* loader = AppContext::getProjectLoader();
    TaskScheduler* ts = AppContext::getTaskScheduler();
    if (files.isEmpty() || loader == nullptr || ts == nullptr) {
        return;
    }
    QList<GUrl> urls;
    for (const QString& f : files) {
        urls.append(GUrl(f));
    }
    if (Task* t = loader->openWithProjectTask(urls)) {
        ts->registerTopLevelTask(t);
    }
}

void MainWindow::sl_taskStateChanged(Task* t) {
    if (t == nullptr || !t->isTopLevelTask() || !t->isFinished() || !t->hasError()) {
        return;
    }
    statusBar()->showMessage(tr("%1 failed: %2").arg(t->getTaskName(), t->getError()));
}

}  // namespace Nx
