#include "SudregisterReport.h"

#include "BusyStep.h"
#include "DocumentPrinting.h"
#include "MessageBoxes.h"
#include "ReportLineDelegate.h"
#include "ReportModel.h"
#include "ReportPages.h"
#include "ScreenFit.h"
#include "Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QListView>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QStorageInfo>
#include <chrono>
#include <future>

SudregisterReport::SudregisterReport(const QString &saveDir, std::shared_ptr<MessageBoxes> boxes, QWidget *parent)
    : ResultWindow(QStringLiteral("SudregisterReport"), saveDir, std::move(boxes), parent),
      m_model(new ReportModel(this))
{
    // Opens at the size it was drawn for; an enlarged window gives the list
    // the room and keeps the button under it.
    resize(fittedToScreen(QSize(pixels(9525), pixels(5745)), *this));

    lstReport = new QListView(this);
    lstReport->setObjectName(QStringLiteral("lstReport"));
    lstReport->setModel(m_model);
    // Uniform rows: half a million lines open at once. Millions are laid
    // out a slice at a time, the window painted in between.
    lstReport->setUniformItemSizes(true);
    lstReport->setLayoutMode(QListView::Batched);
    lstReport->setBatchSize(1 << 18);
    lstReport->setSelectionMode(QAbstractItemView::SingleSelection);
    lstReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Columns line up in a font whose characters are equally wide.
    lstReport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lstReport->setItemDelegate(new ReportLineDelegate(*m_model, lstReport));
    lstReport->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    cmdSaveReport = addButton(QStringLiteral("Save Report"), QStringLiteral("cmdSaveReport"),
                                  [this] { cmdSaveReport_Click(); });
    cmdPrint = addButton(QStringLiteral("&Print…"), QStringLiteral("cmdPrint"),
                         [this] { printed([this](TablePages &pages) { m_printing->print(pages); }); });
    cmdPrintPreview = addButton(QStringLiteral("Print Pre&view…"), QStringLiteral("cmdPrintPreview"),
                                [this] { printed([this](TablePages &pages) { m_printing->preview(pages); }); });
    cmdSavePdf = addButton(QStringLiteral("Save as P&DF…"), QStringLiteral("cmdSavePdf"),
                           [this] { printed([this](TablePages &pages) { m_printing->saveAsPdf(pages); }); });
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    setTabOrder(lstReport, cmdSaveReport);
    setTabOrder(cmdSaveReport, cmdPrint);
    setTabOrder(cmdPrint, cmdPrintPreview);
    setTabOrder(cmdPrintPreview, cmdSavePdf);
    setPrinting({}, {}, nullptr);
    arrange();
}

SudregisterReport::~SudregisterReport() = default;

void SudregisterReport::setPrinting(const PageFrame::Heading &heading, const QStringList &captions, QSettings *settings)
{
    m_heading = heading;
    m_captions = captions;
    m_printing = std::make_unique<DocumentPrinting>(*this, m_boxes, settings, lblStatus, m_saveDir);
}

std::unique_ptr<TablePages> SudregisterReport::pages() const
{
    return ReportPages(*m_model, m_captions, m_heading, font().family());
}

void SudregisterReport::printed(const std::function<void(TablePages &)> &use)
{
    const std::unique_ptr<TablePages> document = pages();
    use(*document);
}

void SudregisterReport::arrange()
{
    // The designed places: the list 30 twips narrower than the window and
    // 615 shorter, the button 150 below the list.
    const int listWidth = std::max(pixels(9495), width() - pixels(30));
    const int listHeight = std::max(pixels(5130), height() - pixels(615));
    lstReport->setGeometry(0, 0, listWidth, listHeight);
    // The print buttons follow the save button in a row, the status after them.
    int left = 0;
    for (QPushButton *button : {cmdSaveReport, cmdPrint, cmdPrintPreview, cmdSavePdf}) {
        button->setGeometry(left, listHeight + pixels(150), pixels(1815), pixels(375));
        left += pixels(1815) + pixels(120);
    }
    lblStatus->setGeometry(left, listHeight + pixels(150), std::max(0, width() - left), pixels(375));
}

void SudregisterReport::setBreweries(std::vector<std::shared_ptr<clsBrewery>> breweries,
                                     const std::function<void(qint64, qint64)> &progress)
{
    m_model->setBreweries(std::move(breweries), progress);
}

std::vector<std::shared_ptr<clsBrewery>> SudregisterReport::takeBreweries()
{
    return m_model->takeBreweries();
}

int SudregisterReport::lineCount() const
{
    return m_model->rowCount();
}

QString SudregisterReport::lineAt(int row) const
{
    return m_model->lineAt(row);
}

QStringList SudregisterReport::lines() const
{
    QStringList all;
    all.reserve(lineCount());
    for (int row = 0; row < lineCount(); ++row)
        all << lineAt(row);
    return all;
}

QString SudregisterReport::ReportFileName(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("'Sudregister_'yyyy'_'MM'_'dd'_'HH'_'mm'_'ss'.lst'"));
}

QString SudregisterReport::cmdSaveReport_Click()
{
    // One reading of the clock gives all six parts of the name.
    const QString path = QDir(m_saveDir).filePath(ReportFileName(clock()));

    // A directory marked read-only is respected, whoever runs the program.
    if (!(QFile::permissions(m_saveDir) & QFileDevice::WriteOwner) && QFileInfo(m_saveDir).isDir()) {
        m_boxes->critical(QStringLiteral("The report could not be saved as %1: the directory is read-only.").arg(path),
                          windowTitle());
        return QString();
    }
    Windows1252Encoder encoder;
    QSaveFile file(path);
    qsizetype flattened = -1;
    bool full = false;
    bool committed = false;
    {
        // A save of millions of lines takes seconds: it shows how far it
        // has come, and the window stays painted. No Cancel: the save is
        // short enough to wait for, and a half-saved report is never kept
        // anyway. The dialog ends with its step, so that its delayed show
        // can never put it over the notice that follows. Input waits for
        // the step's end (BusyStep); a modal dialog would instead take it
        // in and drop a close of the window meanwhile.
        QProgressDialog saving(QStringLiteral("Saving the report as %1").arg(QDir::toNativeSeparators(path)),
                               QString(), 0, 1000, this);
        saving.setWindowModality(Qt::NonModal);
        saving.setMinimumDuration(500);
        saving.setAutoReset(false);
        // The dialog appears only after half a second; the windows repaint
        // from the start.
        BusyStep busy(nullptr, QString());
        const auto progress = [&saving, &busy](qint64 done, qint64 total) {
            saving.setValue(int(total > 0 ? done * 1000 / total : 1000));
            busy(done, total);
        };
        // Written to a temporary file and moved into place: a failed save
        // leaves no partial file behind and never claims success.
        if (file.open(QIODevice::WriteOnly))
            flattened = m_model->writeTo(file, encoder, progress);
        // Asked while the unfinished file still takes its room.
        full = QStorageInfo(m_saveDir).bytesAvailable() < (2 << 20);
        // Putting a large file on the disk for good takes a while of its
        // own; it runs beside the windows, which stay painted meanwhile.
        if (flattened >= 0) {
            std::future<bool> committing = std::async(std::launch::async, [&file] { return file.commit(); });
            while (committing.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
                busy(1, 1);
            committed = committing.get();
        }
    }
    const qsizetype replaced = encoder.replaced();
    if (!committed) {
        // A full disk often surfaces only as "Unknown error" at the commit.
        const QString why = full ? QStringLiteral("there is not enough room left on the disk") : file.errorString();
        m_boxes->critical(QStringLiteral("The report could not be saved as %1: %2").arg(path, why),
                          windowTitle());
        return QString();
    }
    // Notices that do not hold the window: a close the user gives while
    // they stand, or during the save, closes it.
    m_boxes->notice(QStringLiteral("Created ") + path, this);
    if (replaced > 0)
        m_boxes->notice(QStringLiteral("%1 character(s) that the report file's code page (Windows-1252) cannot hold "
                                     "were written as \"?\".")
                          .arg(replaced),
                        this);
    if (flattened > 0)
        m_boxes->notice(QStringLiteral("%1 tab(s), line break(s) or NUL character(s) inside values, which a report line "
                                     "cannot hold, "
                                     "were written as blanks.")
                            .arg(flattened),
                        this);
    return path;
}
