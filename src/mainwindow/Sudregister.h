#pragma once

#include "DataGrid.h"
#include "DataSource.h"
#include "FindIndex.h"
#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QWidget>
#include <array>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class Register;
class RegisterLock;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QThread;
class QTimer;
class SudregisterReport;
class SudregisterTimeline;
class clsBrewery;

// The main window: the brewery grid over the history grid, and the tool box
// with the jump list, the sort lists and the buttons. Its start-up runs in
// the constructor; every other routine is a reaction to one user action.
//
// One class, one concern per file: start-up and layout in Sudregister.cpp,
// the columns in ColumnSetup.cpp, the sort lists in Sorting.cpp, the grids'
// reactions in BreweryGrid.cpp and ChronikGrid.cpp, the jump list in
// CityJump.cpp, the Report button in ReportButton.cpp, the Timeline button
// in TimelineButton.cpp, the find field in Find.cpp, the loading of the
// register into objects in LoadBreweryObjects.cpp, keeping up with other
// programs' changes to the register in RegisterSync.cpp, undo and redo in
// UndoRedo.cpp, what the window remembers in RememberedSettings.cpp and
// the backup at start-up in BackingUp.cpp and the import of a saved report
// in ImportingReport.cpp. The register itself is asked through the
// register service (Register), never in SQL. The program shows it inside a
// RegisterWindow, which adds the menus and opens other registers.
class Sudregister : public QWidget {
    Q_OBJECT
public:
    // Opens the register at `registerPath` and starts up. Throws StoreError,
    // naming the path, when the register cannot be opened. `boxes` answers
    // and shows the program's questions; by default real message boxes.
    // With `settings` the window opens as its user left it and remembers
    // how it is left; without, it keeps the designed layout.
    explicit Sudregister(const QString &registerPath, std::shared_ptr<MessageBoxes> boxes = nullptr,
                         QWidget *parent = nullptr, QSettings *settings = nullptr);
    // The same in two steps, for a window that is to be shown, its grids
    // empty, before it reads the register: made with StartLater, it opens
    // the register when start() is called (which throws as above).
    struct StartLater {};
    Sudregister(const QString &registerPath, StartLater, std::shared_ptr<MessageBoxes> boxes = nullptr,
                QWidget *parent = nullptr, QSettings *settings = nullptr);
    void start();
    ~Sudregister() override;

    int BreweryCount() const { return m_breweryCount; }
    void setBreweryCount(int count);

    void ArrangeControls();
    void SetupBreweryColumns();
    void SetupChronikColumns();
    static QString SortKeyField(const QString &caption);
    void SortBreweries();
    // Selects an entry of a drop-down list from the program's own code,
    // which raises the list's Click reaction as a choice by the user does.
    void SelectEntry(QComboBox *list, int index);
    // Shows the history entries of the current brewery in the history grid
    // and opens that grid for editing.
    void ShowChronik();
    // Rebuilds the jump list from the brewery list and jumps to its first
    // entry.
    void FillCityJumpList();
    // Reads the whole register, breweries in the current order with their
    // history entries, into Breweries().
    void LoadBreweryObjects();
    const std::vector<std::shared_ptr<clsBrewery>> &Breweries() const { return m_breweries; }
    // How the report window is shown; modally unless a test looks instead.
    std::function<void(SudregisterReport &)> showReport;
    // How the timeline window is shown; modally unless a test looks instead.
    std::function<void(SudregisterTimeline &)> showTimeline;
    bool DeletingChroniks() const { return m_deletingChroniks; }
    // Stores what the user typed and has not yet left: an open cell editor
    // and a row begun in either grid's new-row line.
    void storePendingEdits();
    // Reads the register anew when another window or program has changed
    // it since the lists were read; the current brewery stays current where
    // it still exists. Left for later while a row or cell is being typed.
    void syncWithRegister();
    const QString &registerPath() const { return m_registerPath; }
    // Narrows the brewery list to the breweries holding every word of the
    // find field, in any field or history entry; the whole list when it is
    // empty. The current brewery stays current where it is listed.
    void applyFind();
    // Adds the breweries of the saved report at `reportPath` to this
    // register, asking first when it holds breweries already. Refusals and
    // failures are shown; returns whether the report was added.
    bool importReport(const QString &reportPath);
    // Undo, Redo and Find, with their keys, for a menu to offer.
    QList<QAction *> editActions() const { return {m_undoAction, m_redoAction, m_findAction}; }

    // The controls, by the names the program gives them.
    QLabel *lblTitle;
    DataGrid *grdBrauerien;
    DataGrid *grdChronik;
    QGroupBox *fraToolBox;
    QLabel *Label1;
    DataSource *dsBrewery;
    DataSource *dsBreweryChronik;
    QLabel *Label4;
    QComboBox *cboBrauereiJump;
    QPushButton *cmdNewBrewery;
    QLabel *Label2;
    QLabel *lblBreweryCount;
    QPushButton *cmdReport;
    QPushButton *cmdTimeline;
    QLabel *lblFind;
    QLineEdit *txtFind;
    QLabel *lblMessage;
    QPushButton *cmdLoad;
    QPushButton *cmdSave;
    QLineEdit *txtInputFileName;
    QPushButton *cmdSort;
    QPushButton *cmdNotes;
    QLabel *Label5;
    QComboBox *cmbSort1;
    QComboBox *cmbSort2;
    QComboBox *cmbSort3;
    QLabel *Label3;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void fitToolBox();
    void createFindControls(QWidget *box);
    void waitForFindIndex();
    void createUndoActions();
    std::array<int, 3> rememberedSortKeys() const;
    void restoreLayout();
    void rememberLayout();
    // The undo history records this window's changes from now on.
    void startUndo();
    void showStep(const QString &message, qint64 brewery, std::optional<qint64> entry);
    void startUp();
    void backUpRegister();
    void backupFailed(const QString &why);
    void rereadRegister();
    void showRegisterMessage();
    void readFailed(const StoreError &error);
    // Counts the brewery list into BreweryCount: to its last record, one
    // turn of the event loop, back to its first record.
    void countBreweries();
    void showCount(int count);
    void sortList_Click(QComboBox *list);
    void connectBreweryGrid();
    void connectChronikGrid();
    void currentBreweryChanged();
    void cmdNewBrewery_Click();
    void cboBrauereiJump_Click();
    void cmdReport_Click();
    void cmdTimeline_Click();
    static QString rowPrompt(DataGrid &grid, std::initializer_list<int> columns);
    // Runs one reaction; a failure of the store is shown with its message
    // and the program goes on with the rows as they are stored. Returns
    // whether the reaction ran through.
    bool guard(const std::function<void()> &reaction);
    enum class Telling { Always, OncePerBusySpell };
    void showFailure(const StoreError &error, Telling telling = Telling::Always);
    void busyFailure(const StoreError &error, Telling telling);
    void retryAfterBusy();
    // Shows the history of the current brewery as stored, after a failure.
    void readAgain();
    void repaintGrids();
    int measureTwips(const QString &sample);

    std::shared_ptr<MessageBoxes> m_boxes;
    QSettings *m_settings;
    // The register service: the data sources and every query of the register.
    Register *m_register;
    int m_breweryCount = 0;
    bool m_label1AutoSize = false;
    bool m_deletingChroniks = false;
    // The brewery whose history the history grid shows; -1 for none.
    qint64 m_chronikShownFor = -1;
    bool m_shownOnce = false;
    bool m_recovering = false;
    // Told that another program holds the register, and not yet read since.
    bool m_busyTold = false;
    QTimer *m_busyRetry = nullptr;
    std::vector<std::shared_ptr<clsBrewery>> m_breweries;
    // The last report's objects being freed; the next reading waits for it,
    // rather than competing with it for memory and the cores.
    std::future<void> m_freeing;
    QString m_registerPath;
    // Held while this window has the register open for writing.
    std::unique_ptr<RegisterLock> m_lock;
    // Why this window could not take the lock, when it could not.
    QString m_lockProblem;
    QString m_backupFailure;
    std::unique_ptr<QThread> m_backupCheck;
    FindIndex m_findIndex;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_findAction = nullptr;
    QTimer *m_findDelay = nullptr;
};
