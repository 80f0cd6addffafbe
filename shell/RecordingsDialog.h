#pragma once
// The stored-recordings dialog (记录): lists every recording the store holds, newest first, and
// hands the chosen one to the window through OnOpen and OnExport. Deleting goes to the store
// here, after the user confirms; a recording that is being written stays. GUI thread only; the
// store outlives the dialog.
#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TRecordingStore;
struct TRecordingInfo;

// The list's columns, in order.
enum class TRecordingColumn : int { Start, Port, Duration, Charged, Capacity, Descriptions, Size, Mark, Count };

// One row's texts, one per TRecordingColumn: the start in local time, the port, the duration
// (h:mm), the charged channels, each charged channel's final capacity, the channels'
// descriptions, the size on disk, and whether it is being written or did not end cleanly.
QStringList RecordingRowTexts(const TRecordingInfo &Info);

class TfrmRecordings : public QDialog
{
    Q_OBJECT

public:
    TfrmRecordings(TRecordingStore &Store, QWidget *Parent);

    // Lists the store's recordings again; the selection is lost.
    void Refresh();

    // The window opens recording Id; true closes the dialog as accepted.
    std::function<bool(std::int64_t Id)> OnOpen;
    // The window exports recording Id: the export list's lines, or every stored value (Full).
    std::function<void(std::int64_t Id, bool Full)> OnExport;

    QTreeWidget *lvRecordings = nullptr; // a row's data in column 0 holds the recording's id
    QPushButton *btnOpen = nullptr;
    QPushButton *btnDelete = nullptr;
    QPushButton *btnExport = nullptr;
    QPushButton *btnExportFull = nullptr;
    QPushButton *btnClose = nullptr;

private:
    void CreateDesign();
    void SetTexts();
    void FillList(const std::vector<TRecordingInfo> &Recordings);
    std::vector<std::int64_t> SelectedIds() const;
    void UpdateButtons();
    void Open(std::int64_t Id);
    void btnOpenClick();
    void btnDeleteClick();
    void btnExportClick(bool Full);

    TRecordingStore &FStore;
};
