#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QLabel;
class QShortcut;

namespace Util {
class IObserver;
}

namespace Ui {

class AboutWindow;
class GLWidget;
class MainWindowForm;
class MainWindowPresenter;
class OperationMapper;
class ProcessProgressDisplay;

namespace Console {
class ConsoleObserver;
}

namespace CrossSection {
class CrossSectionDock;
}

// The program's window: menus whose operation actions go by id to the
// presenter, the view in the centre, and the keys that confirm or cancel the
// current operation. Its slots forward to the presenter or the view.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindowPresenter *getPresenter() const { return presenter.get(); }
    GLWidget *getView() const { return view; }
    CrossSection::CrossSectionDock *crossSectionDock() const { return sectionDock; }

    // Called by the presenter when a stack changes: enabled exactly when the
    // name is not empty, text "Undo "/"Redo " followed by the name.
    void setUndoText(const QString &name);
    void setRedoText(const QString &name);

    // The folder the next screen image dialog opens in.
    static QString imageFolder();

    // The latest prompt of the current operation (empty when none runs).
    QString promptText() const;
    ProcessProgressDisplay *progressDisplay() const { return progress.get(); }

    // Tells of each catalogue file that could not be read (kept as it is,
    // the built-in table serving this run) in the console and in one message
    // box titled catalogueProblemTitle(). Nothing when both catalogues loaded.
    void reportCatalogueProblems();
    static QString catalogueProblemTitle();

public slots:
    void showConsole(bool show);
    void undoOperation();
    void redoOperation();
    void selectionToggled(bool checked);
    void lightingToggled(bool checked);
    void renderObjectsToggled(bool checked);
    void renderObjectEdgesToggled(bool checked);
    void setView(const QString &viewAngle);
    void renderGridToggled(bool checked);
    void snapToGridToggled(bool checked);
    void changeGridSpacing();
    void changeWindowColors();
    void changeZoom();
    void changeTranslate();
    // Writes the view to a file, the format following its extension; with no
    // name a dialog asks for one. A file that cannot be written is reported
    // in a warning box. True when an image was written.
    bool saveImage(const QString &filename = QString());
    // Exports the selected cell volume (or the document's only one) in the
    // format its extension names; with no name a dialog asks for one.
    // Failures are reported in a warning box. True when files were written.
    bool exportVolume(const QString &filename = QString());
    void showAboutInfo();
    void repaintCentralWidget();
    void fitToView();

public:
    // Connected explicitly rather than by name.
    void on_actionManage_Materials_triggered();
    void on_actionManage_Compatible_Materials_triggered();
    void on_actionNew_triggered();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // A changed document asks whether to save it first.
    void closeEvent(QCloseEvent *event) override;

private:
    void connectActions();
    void createCrossSectionDock();
    void mapOperations();
    void showPrompt(const QString &message);
    // After every operation: the prompt ends with its operation, and the
    // first object entering an empty scene is framed in an isometric view.
    void operationEnded();
    // Console titles carry the document name while several windows are open.
    static void updateConsoleTitles();
    QImage grabView();

    std::unique_ptr<MainWindowForm> form;
    std::unique_ptr<MainWindowPresenter> presenter;
    OperationMapper *operationMapper;
    OperationMapper *viewMapper;
    QShortcut *enterShortcut;
    QShortcut *returnShortcut;
    QShortcut *escapeShortcut;
    GLWidget *view = nullptr;
    CrossSection::CrossSectionDock *sectionDock = nullptr;
    std::shared_ptr<Util::IObserver> redrawObserver;
    std::shared_ptr<Util::IObserver> sceneObserver;
    std::shared_ptr<Console::ConsoleObserver> promptObserver;
    std::unique_ptr<ProcessProgressDisplay> progress;
    QLabel *promptLabel = nullptr;
    // The scene position under the cursor, in µm.
    QLabel *cursorLabel = nullptr;
    bool sceneEmpty = true;
    bool sectionDockSized = false;
    bool consoleWaiting = false;
    bool consoleShown = false;
    static constexpr int consoleFallbackMs = 1500;
    QPointer<AboutWindow> aboutWindow;
};

} // namespace Ui
