#include "RecordingsDialog.h"

#include "recordings/RecordingStore.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int RecordingIdRole = Qt::UserRole;

QString DurationText(std::int64_t DurationMs)
{
    const std::int64_t minutes = std::max<std::int64_t>(DurationMs, 0) / 60'000;
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString SizeText(std::int64_t Bytes)
{
    constexpr double KiloByte = 1024.0;
    const double kilo = double(std::max<std::int64_t>(Bytes, 0)) / KiloByte;
    // By the shown tenth, so that just under a megabyte reads "1.0 MB", not "1024.0 KB".
    if (std::round(kilo * 10.0) < KiloByte * 10.0)
        return FormatText(LoadStr(TTextId::RecordingsSizeKiloBytes), {QLocale().toString(kilo, 'f', 1)});
    return FormatText(LoadStr(TTextId::RecordingsSizeMegaBytes), {QLocale().toString(kilo / KiloByte, 'f', 1)});
}

QString MarkText(const TRecordingInfo &Info)
{
    if (Info.Live)
        return LoadStr(TTextId::RecordingsLiveMark);
    if (!Info.EndedCleanly)
        return LoadStr(TTextId::RecordingsUncleanMark);
    return {};
}

} // namespace

QStringList RecordingRowTexts(const TRecordingInfo &Info)
{
    QStringList charged;
    QStringList capacities;
    const QString capacityFormat = LoadStr(TTextId::RecordingsCapacityFormat);
    for (int channel = 0; channel < RecordedChannels; ++channel) {
        if ((Info.ChargedChannels & (1u << channel)) == 0)
            continue;
        charged << QString::number(channel + 1);
        capacities << FormatText(capacityFormat,
                                 {channel + 1LL, static_cast<long long>(Info.FinalCapacity[std::size_t(channel)])});
    }
    QStringList descriptions;
    for (const QString &description : Info.Descriptions)
        if (!description.isEmpty())
            descriptions << description;

    QStringList texts;
    texts << QDateTime::fromMSecsSinceEpoch(Info.StartedMs).toString(QStringLiteral("yyyy-MM-dd hh:mm"))
          << FormatText(LoadStr(TTextId::PortName), {static_cast<long long>(Info.ComNumber)})
          << DurationText(Info.DurationMs) << charged.join(QStringLiteral(", "))
          << capacities.join(QStringLiteral(", ")) << descriptions.join(QStringLiteral("; "))
          << SizeText(Info.SizeOnDisk) << MarkText(Info);
    return texts;
}

TfrmRecordings::TfrmRecordings(TRecordingStore &Store, QWidget *Parent)
    : QDialog(Parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FStore(Store)
{
    setObjectName(QStringLiteral("frmRecordings"));
    CreateDesign();
    SetTexts();
    Refresh();
}

void TfrmRecordings::CreateDesign()
{
    setFont(DialogFont());
    resize(820, 380);

    lvRecordings = new QTreeWidget(this);
    lvRecordings->setObjectName(QStringLiteral("lvRecordings"));
    lvRecordings->setColumnCount(static_cast<int>(TRecordingColumn::Count));
    lvRecordings->setRootIsDecorated(false);
    lvRecordings->setUniformRowHeights(true);
    lvRecordings->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvRecordings->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvRecordings->setAllColumnsShowFocus(true);
    connect(lvRecordings, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(lvRecordings, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *Row) { Open(Row->data(0, RecordingIdRole).toLongLong()); });

    auto makeButton = [this](const char *Name) {
        auto *button = new QPushButton(this);
        button->setObjectName(QLatin1String(Name));
        button->setAutoDefault(false);
        return button;
    };
    btnOpen = makeButton("btnOpen");
    btnOpen->setDefault(true);
    btnDelete = makeButton("btnDelete");
    btnExport = makeButton("btnExport");
    btnExportFull = makeButton("btnExportFull");
    btnClose = makeButton("btnClose");
    connect(btnOpen, &QPushButton::clicked, this, [this] { btnOpenClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnExport, &QPushButton::clicked, this, [this] { btnExportClick(false); });
    connect(btnExportFull, &QPushButton::clicked, this, [this] { btnExportClick(true); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnDelete);
    buttons->addWidget(btnExport);
    buttons->addWidget(btnExportFull);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lvRecordings);
    layout->addLayout(buttons);
}

void TfrmRecordings::SetTexts()
{
    setWindowTitle(LoadStr(TTextId::RecordingsCaption));
    lvRecordings->setHeaderLabels(
        {LoadStr(TTextId::RecordingsStartColumn), LoadStr(TTextId::RecordingsPortColumn),
         LoadStr(TTextId::RecordingsDurationColumn), LoadStr(TTextId::RecordingsChargedColumn),
         LoadStr(TTextId::RecordingsCapacityColumn), LoadStr(TTextId::RecordingsDescriptionColumn),
         LoadStr(TTextId::RecordingsSizeColumn), LoadStr(TTextId::RecordingsMarkColumn)});
    btnOpen->setText(LoadStr(TTextId::RecordingsOpenCaption));
    btnDelete->setText(LoadStr(TTextId::RecordingsDeleteCaption));
    btnExport->setText(LoadStr(TTextId::RecordingsExportCaption));
    btnExportFull->setText(LoadStr(TTextId::RecordingsExportFullCaption));
    btnClose->setText(LoadStr(TTextId::RecordingsCloseCaption));
}

void TfrmRecordings::Refresh() { FillList(FStore.List()); }

void TfrmRecordings::FillList(const std::vector<TRecordingInfo> &Recordings)
{
    std::vector<const TRecordingInfo *> newestFirst;
    newestFirst.reserve(Recordings.size());
    for (const TRecordingInfo &info : Recordings)
        newestFirst.push_back(&info);
    std::sort(newestFirst.begin(), newestFirst.end(), [](const TRecordingInfo *A, const TRecordingInfo *B) {
        return A->StartedMs != B->StartedMs ? A->StartedMs > B->StartedMs : A->Id > B->Id;
    });

    // All rows go in at once: one layout pass, however many recordings there are.
    QList<QTreeWidgetItem *> rows;
    rows.reserve(qsizetype(newestFirst.size()));
    for (const TRecordingInfo *info : newestFirst) {
        auto *row = new QTreeWidgetItem(RecordingRowTexts(*info));
        row->setData(0, RecordingIdRole, qlonglong(info->Id));
        rows << row;
    }
    lvRecordings->setUpdatesEnabled(false);
    {
        const QSignalBlocker quiet(lvRecordings);
        lvRecordings->clear();
        lvRecordings->addTopLevelItems(rows);
    }
    for (int column = 0; column < lvRecordings->columnCount(); ++column)
        lvRecordings->resizeColumnToContents(column);
    lvRecordings->setUpdatesEnabled(true);
    UpdateButtons();
}

std::vector<std::int64_t> TfrmRecordings::SelectedIds() const
{
    std::vector<std::int64_t> ids;
    // In list order, not in the order the user picked them.
    for (int i = 0; i < lvRecordings->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = lvRecordings->topLevelItem(i);
        if (row->isSelected())
            ids.push_back(row->data(0, RecordingIdRole).toLongLong());
    }
    return ids;
}

void TfrmRecordings::UpdateButtons()
{
    const std::size_t selected = SelectedIds().size();
    btnOpen->setEnabled(selected == 1);
    btnExport->setEnabled(selected == 1);
    btnExportFull->setEnabled(selected == 1);
    // A store made by a newer build is only for viewing.
    btnDelete->setEnabled(selected >= 1 && FStore.Opening().Status != TStoreStatus::ssReadOnly);
}

void TfrmRecordings::Open(std::int64_t Id)
{
    if (OnOpen && OnOpen(Id))
        accept();
}

void TfrmRecordings::btnOpenClick()
{
    const std::vector<std::int64_t> ids = SelectedIds();
    if (ids.size() == 1)
        Open(ids.front());
}

void TfrmRecordings::btnExportClick(bool Full)
{
    const std::vector<std::int64_t> ids = SelectedIds();
    if (ids.size() == 1 && OnExport)
        OnExport(ids.front(), Full);
}

void TfrmRecordings::btnDeleteClick()
{
    const std::vector<std::int64_t> ids = SelectedIds();
    if (ids.empty())
        return;
    if (AskOkCancel(
            this, FormatText(LoadStr(TTextId::RecordingsDeleteQuestion), {static_cast<long long>(ids.size())})) != IdOk)
        return;
    const int deleted = FStore.Delete(ids);
    const QString failure = FStore.LastError();
    const std::vector<TRecordingInfo> left = FStore.List();
    FillList(left);
    if (deleted >= static_cast<int>(ids.size()))
        return;
    // What is still listed was kept: being written, or the store refused.
    long long live = 0;
    long long refused = 0;
    for (const TRecordingInfo &info : left) {
        if (std::find(ids.begin(), ids.end(), info.Id) == ids.end())
            continue;
        if (info.Live)
            ++live;
        else
            ++refused;
    }
    if (live > 0)
        ShowWarning(this, FormatText(LoadStr(TTextId::RecordingsLiveNotDeleted), {live}));
    if (refused > 0)
        ShowError(this, LoadStr(TTextId::RecordingWriteFailed) + QLatin1Char('\n') + failure);
}
