#pragma once

#include "LoadedBreweries.h"
#include "DataGrid.h"
#include "DataSource.h"
#include "MessageBoxes.h"
#include "PasswordPrompt.h"
#include "RememberedSettings.h"
#include "SizingLabel.h"
#include "WindowArrangement.h"

#include <QCoreApplication>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class CheckWindow;
class FilterHeader;
class FilterRow;
class FindField;
class MenuExport;
class MenuHistory;
class MenuImport;
class MenuMerge;
class MenuReplace;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class ReactionScheduler;
class Register;
class RegisterPrinting;
class RegisterSync;
class RegisterGuard;
class RegisterPlace;
class SortDirection;
class SudregisterReport;
class SudregisterTimeline;
class UndoRedo;
class ValueNotes;
class clsBrewery;

// The register's window: the brewery grid over the history grid, and the
// tool box with the jump list, the find field, the sort lists and the
// buttons. Its start-up runs in start(); every other routine is a reaction
// to one user action, run by its ReactionScheduler.
//
// The class keeps its controls, its named routines and the wiring, one
// concern per file: start-up and layout in Sudregister.cpp, the columns in
// ColumnSetup.cpp, the sort lists in Sorting.cpp, the grids' reactions in
// BreweryGrid.cpp and ChronikGrid.cpp, the jump list in CityJump.cpp, the
// Report button in ReportButton.cpp, the Timeline button in
// TimelineButton.cpp, the check window in CheckRegister.cpp and the loading
// of the register into objects in LoadBreweryObjects.cpp. Its other
// concerns are objects of their own: the find (FindField) and the filter
// row (FilterRow), undo and redo
// (UndoRedo), keeping up with other programs (RegisterSync), the backup at
// start-up (StartupBackup), the import and export from the menu
// (MenuImport, MenuExport), printing (RegisterPrinting), the notes on the
// values (ValueNotes) and what it remembers (RememberedSettings). The
// register is asked through the register service (Register), never in SQL. The program shows it inside a RegisterWindow,
// which adds the menus and opens other registers.
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
    // Stores what is being typed (the window is going), then runs nothing
    // of the window any more.
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
    const std::vector<std::shared_ptr<clsBrewery>> &Breweries() const { return m_loaded.list(); }
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
    const QString &registerPath() const;
    // Where the register lives: its names and the folders named after it.
    const RegisterPlace &registerPlace() const;
    // Asked for a shared register's password; set before start().
    void setPasswordPrompt(PasswordPrompt prompt);
    // Narrows the brewery list to the breweries holding every word of the
    // find field, in any field or history entry; the whole list when it is
    // empty. The current brewery stays current where it is listed.
    void applyFind();
    // Adds the breweries of the saved report at `reportPath` to this
    // register, asking first when it holds breweries already. Refusals and
    // failures are shown; returns whether the report was added.
    // Import… of the menu: a saved report, or workbooks and CSV files.
    bool importFiles(const QStringList &paths);
    // Check Register…: the check of the whole register in a window of its
    // own beside this one; a second call brings that window forward.
    CheckWindow *checkRegister();
    // Makes `brewery` current, and its history entry `chronik` (-1: none);
    // says so when the list does not show it.
    void showFinding(qint64 brewery, qint64 chronik);
    // Undo, Redo, Find, Replace and Merge, with their keys, for a menu to
    // offer.
    QList<QAction *> editActions() const;
    // Filter Row, Clear Filters and the histories, for the View menu.
    QList<QAction *> viewActions() const;
    MenuExport &exporting() const { return *m_export; }
    MenuHistory &changes() const { return *m_history; }
    RegisterPrinting &printing() const { return *m_printing; }

signals:
    // The register is to be opened anew in its place (its file was saved
    // again, or another now has its name).
    void reopenRequested();
    // The check of the register's pages, which runs beside the window,
    // found the file damaged.
    void registerDamaged(const QString &message);

public:
    // The controls, by the names the program gives them.
    QLabel *lblTitle;
    DataGrid *grdBrauerien;
    DataGrid *grdChronik;
    QGroupBox *fraToolBox;
    SizingLabel *Label1;
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
    // Each sort list's direction.
    SortDirection *tglSort1;
    SortDirection *tglSort2;
    SortDirection *tglSort3;
    QLabel *Label3;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void createToolBox();
    void connectControls();
    void createConcerns();
    void startUp();
    // Counts the brewery list into BreweryCount: to its last record, one
    // turn of the event loop, back to its first record.
    void countBreweries();
    void showCount(int count);
    void sortList_Click(QComboBox *list);
    void sortDirection_Click();
    void columnHeader_Click(int column);
    void chronikHeader_Click(int column);
    void connectBreweryGrid();
    void connectChronikGrid();
    void currentBreweryChanged();
    void showChronikWaitingInPlace();
    void cmdNewBrewery_Click();
    void cboBrauereiJump_Click();
    void cmdReport_Click();
    void cmdTimeline_Click();

    // The register service: the data sources and every query of the register.
    Register *m_register;
    // Runs every reaction of this window, and decides when.
    ReactionScheduler *m_work;
    int m_breweryCount = 0;
    bool m_deletingChroniks = false;
    LoadedBreweries m_loaded;
    RememberedSettings m_remembered;
    WindowArrangement m_layout;
    RegisterGuard *m_guard = nullptr;
    std::unique_ptr<RegisterSync> m_sync;
    FindField *m_find = nullptr;
    FilterHeader *m_filterCaptions = nullptr;
    FilterRow *m_filters = nullptr;
    UndoRedo *m_undo = nullptr;
    std::unique_ptr<MenuImport> m_import;
    MenuReplace *m_replace = nullptr;
    MenuMerge *m_merge = nullptr;
    MenuHistory *m_history = nullptr;
    std::unique_ptr<MenuExport> m_export;
    std::unique_ptr<ValueNotes> m_notes;
    std::unique_ptr<RegisterPrinting> m_printing;
};
