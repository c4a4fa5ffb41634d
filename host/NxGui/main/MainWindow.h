// The suite's main window: the list of opened documents on the left, the selected document on
// the right (its format and content line above its text). A newly opened document is selected.
// Failed top-level tasks are shown in the status bar (and logged by the scheduler).
#pragma once

#include <QMainWindow>

class QLabel;
class QListWidget;
class QPlainTextEdit;

namespace Nx {

class Document;
class Project;
class Task;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // project: what the list shows (normally the project loader's); not owned.
    explicit MainWindow(Project* project, QWidget* parent = nullptr);

    QListWidget* getDocumentList() const { return documentList; }
    QPlainTextEdit* getDocumentView() const { return documentView; }
    // The document whose text the view shows, or null.
    Document* getActiveDocument() const { return activeDocument; }
    // Names in the list, top to bottom.
    QStringList getListedDocumentNames() const;

private Q_SLOTS:
    void sl_documentAdded(Nx::Document* d);
    void sl_documentRemoved(Nx::Document* d);
    void sl_selectionChanged();
    void sl_openFiles();
    void sl_taskStateChanged(Nx::Task* t);

private:
    void showDocument(Document* d);

    Project* project;
    QListWidget* documentList;
    QLabel* documentInfo;
    QPlainTextEdit* documentView;
    Document* activeDocument = nullptr;
};

}  // namespace Nx
