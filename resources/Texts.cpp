#include "Texts.h"

#include <array>
#include <cstddef>

namespace {

struct TTextEntry {
    TTextId Id;
    const char16_t *Text;
};

using enum TTextId;

// One entry per id, in id order; the checks below turn a missing or misplaced text into a
// compile error.
constexpr TTextEntry Texts[] = {
    // The application and the maker
    {AppTitle, u"Korvane 联机应用程序"},
    {AppTitleWithPort, u"Korvane 联机应用程序 - COM%d"},
    {AppVersionFormat, u"%d.%d.%d (Build %d)"},
    {PortName, u"COM%d"},
    {HomePageAddress, u"http://www.korvane.example/"},
    {MailAddress, u"support@korvane.example"},
    {MailToFormat, u"mailto:%s"},

    // Questions, warnings and errors of the main window
    {QuitQuestion, u"确定要退出 %s %s 吗 ?"},
    {ClearDataQuestion, u"确定要清除数据吗？清除后数据将不能恢复。"},
    {CurveAccessError, u"曲线访问错误 - 通道 %d: %s。"},
    {AxisAccessError, u"数轴访问错误 - %s"},
    {SaveOptionsFailed, u"保存选项失败。请检查是否有注册表读写权限。"},
    {ReplaceConnectionQuestion, u"连接到 COM%d 的充电器已经打开，需要打开其他的充电器吗？"},
    {ReplaceConnectionNote, u"%s 一次只能连接到一个充电器。"},
    {ClosePortQuestion, u"确定要关闭端口: COM%d 吗 ?"},
    {PortOpenFailed, u"端口打开失败。请确认端口: COM%d 没有被占用。"},
    {FileOverwriteQuestion, u"文件 %s 已经存在，是否覆盖？"},
    {FileSaveFailed, u"文件保存失败。"},
    {AddressOpenFailed, u"无法打开 %s。请确认系统中有可以打开它的程序（例如网页浏览器）。"},
    {PortNoDeviceReason, u"原因：系统中没有与 COM%d 对应的设备。"},
    {PortNotFoundReason, u"原因：找不到设备 %s，它可能已被拔出。"},
    {PortAccessDeniedReason, u"原因：没有打开 %s 的权限。在 Linux 上，用户须属于 %s 组，加入后重新登录才生效。"},
    {PortBusyReason, u"原因：%s 正被其他程序使用。"},
    {PortOtherReason, u"原因：打开 %s 时系统报告：%s"},
    {MessageBoxOkCaption, u"确定"},
    {MessageBoxCancelCaption, u"取消"},

    // Picture and export file dialogs
    {SaveImageDialogTitle, u"另存为"},
    {SaveImageDialogFilter,
     u"BMP - Window位图(*.bmp)|*.bmp|JPG - JPEG 图像(*.jpg)|*.jpg|PNG - 便携式网络图形(*.png)|*.png"},
    {ExportDialogTitle, u"导出数据"},
    {ExportDialogFilter, u"CSV - CSV文件(*.csv)|*.csv"},

    // Chart, legend, data box and channel popup
    {AllLinesTab, u"全部曲线"},
    {SeriesTitle, u"通道 %d - %s"},
    {ChannelNumber, u"通道 %d"},
    {ChannelWithDescription, u"通道 %d - %s"},
    {AppVersionLine, u"Korvane %s"},
    {LibraryVersionLine, u"Korvane 支持库: %d.%d"},
    {AxisLabelFormatVoltage, u"#0.000 V"},
    {AxisLabelFormatCurrent, u"#0 mA"},
    {AxisLabelFormatCapacity, u"#0 mAh"},
    {DataBoxEmptyCell, u"-"},
    {ChannelDescCaption, u"描述"},
    {ClearChannelDescCaption, u"清空(&C)"},

    // Menu bar, toolbars, tool windows and status bar
    {MenuBarCaption, u"菜单"},
    {MenuFile, u"文件(&F)"},
    {MenuView, u"视图(&V)"},
    {MenuToolbars, u"工具栏(&T)"},
    {MenuChart, u"图表(&C)"},
    {MenuHelp, u"帮助(&H)"},
    {MenuReopen, u"重新打开"},
    {ReopenListCaption, u"打开(&O)..."},
    {FileToolbarCaption, u"文件"},
    {ChartToolbarCaption, u"图表"},
    {ChannelStateWindowCaption, u"通道面板"},
    {DataBoxWindowCaption, u"数据窗口"},
    {PortStatePanelHint, u"端口状态"},
    {PortStateClosed, u"已关闭"},
    {PortStateFailed, u"打开失败，已关闭"},
    {PortStateChecking, u"已打开，正在识别充电器的数据帧"},
    {PortStateReceiving, u"已打开，正在接收数据"},
    {PortStateNoData, u"已打开，没有收到数据"},
    {DataStatePanelHint, u"数据状态"},
    {TotalFrameCountPanelHint, u"接收帧数"},
    {LostFrameCountPanelHint, u"丢失帧数"},

    // Main window commands
    {FileOpenCaption, u"打开(&O)..."},
    {FileOpenHint, u"打开连接到充电器的串口"},
    {FileCloseCaption, u"关闭(&C)"},
    {FileEnabledCaption, u"接收"},
    {FileEnabledHint, u"允许接收数据"},
    {FileDisabledCaption, u"停止"},
    {FileDisabledHint, u"停止接收数据"},
    {FileSaveAsCaption, u"另存为(&A)..."},
    {FileSaveAsHint, u"将图表保存为图形文件"},
    {FileExportCaption, u"导出数据(&E)..."},
    {FileOptionCaption, u"选项..."},
    {FileClearReopenListCaption, u"清空列表(&C)"},
    {FileExitCaption, u"退出(&X)"},
    {ShowMainWindowCaption, u"显示主窗口(&S)"},
    {ViewFileBarCaption, u"文件"},
    {ViewChartBarCaption, u"图表"},
    {ViewStatusBarCaption, u"状态栏(&S)"},
    {ViewChannelStatePanelCaption, u"通道状态面板(&C)"},
    {ViewDataBoxCaption, u"数据窗口(&D)"},
    {ViewPortStatePanelCaption, u"端口状态"},
    {ViewDataStatePanelCaption, u"数据状态"},
    {ViewTotalFrameCountPanelCaption, u"接收帧数"},
    {ViewLostFrameCountPanelCaption, u"丢失帧数"},
    {ViewFitDesktopCaption, u"立即适合桌面"},
    {ShowAllLineCaption, u"全部曲线"},
    {ShowAllLineHint, u"显示全部数据曲线"},
    {ShowLegendCaption, u"显示图例"},
    {AllowScrollChartCaption, u"滚动图表"},
    {AutoScrollCaption, u"自动滚动"},
    {ClearDataCaption, u"清除所有数据"},
    {HelpOnLineHelpCaption, u"在线帮助(&H)"},
    {HelpHomePageCaption, u"Korvane 主页"},
    {HelpAboutCaption, u"关于(&A)..."},

    // Value kinds: names, units, show-line commands, their toolbar hints and shortcuts
    {ValueNameChannelIndex, u"通道编号"},
    {ValueNameUnLoadVoltage, u"电压"},
    {ValueNameLoadVoltage, u"负载电压"},
    {ValueNameUnknow, u"未知"},
    {ValueNameCurrent, u"电流"},
    {ValueNameTemperature, u"温度"},
    {ValueNameWorkingTime, u"时间"},
    {ValueNameCapacity, u"容量"},
    {ValueNameImpedance, u"内阻"},
    {ValueUnitChannelIndex, u"#"},
    {ValueUnitUnLoadVoltage, u"V"},
    {ValueUnitLoadVoltage, u"V"},
    {ValueUnitCurrent, u"mA"},
    {ValueUnitTemperature, u"C"},
    {ValueUnitWorkingTime, u"min"},
    {ValueUnitCapacity, u"mAh"},
    {ValueUnitImpedance, u"mOhm"},
    {ShowLineCaptionUnLoadVoltage, u"电压"},
    {ShowLineCaptionLoadVoltage, u"负载电压"},
    {ShowLineCaptionUnknow, u"未知"},
    {ShowLineCaptionCurrent, u"电流"},
    {ShowLineCaptionTemperature, u"温度"},
    {ShowLineCaptionWorkingTime, u"时间"},
    {ShowLineCaptionCapacity, u"容量"},
    {ShowLineCaptionImpedance, u"内阻"},
    {ShowLineHintUnLoadVoltage, u"显示电压曲线"},
    {ShowLineHintLoadVoltage, u"显示负载电压曲线"},
    {ShowLineHintCurrent, u"显示电流曲线"},
    {ShowLineHintTemperature, u"显示温度曲线"},
    {ShowLineHintCapacity, u"显示容量曲线"},
    {ShortcutUnLoadVoltage, u"Shift+F2"},
    {ShortcutCurrent, u"Shift+F3"},
    {ShortcutTemperature, u"Shift+F4"},
    {ShortcutCapacity, u"Shift+F5"},

    // Options dialog
    {OptionCaption, u"选项"},
    {OptionOkCaption, u"确定(&O)"},
    {OptionCancelCaption, u"取消(&C)"},
    {OptionAxesPage, u"数轴"},
    {OptionLinesPage, u"曲线"},
    {OptionMiscPage, u"杂项"},
    {OptionMinValueCaption, u"最小值(&N):"},
    {OptionMaxValueCaption, u"最大值(&X):"},
    {OptionLineColorCaption, u"线条颜色(&C):"},
    {OptionMoreColorsCaption, u"更多..."},
    {OptionLineWidthCaption, u"线条宽度(&W):"},
    {OptionPageWidthCaption, u"每页时间(&T):"},
    {OptionMinToTrayCaption, u"最小化到系统托盘"},
    {OptionNotifyChargeDoneCaption, u"充电完成时通知"},
    {OptionKeepAwakeCaption, u"充电时不让计算机休眠"},
    {OptionReconnectCaption, u"适配器拔出后自动重新连接"},
    {OptionPageWidthFormat, u"0 min"},
    {OptionEditFormatVoltage, u"0.000 V"},
    {OptionEditFormatCurrent, u"0 mA"},
    {OptionEditFormatCapacity, u"#0 mAh"},

    // Port selection dialog
    {PortCaption, u"打开"},
    {PortDescription, u"请选择一个连接到充电器的串口。"},
    {PortDescriptionHint, u"如果找不到串口，请先接上充电器，再单击“刷新”。"},
    {PortRefreshCaption, u"刷新(&R)"},
    {PortOkCaption, u"确定(&O)"},
    {PortCancelCaption, u"取消(&C)"},
    {PortNoneFound, u"没有发现有效端口。"},
    {PortNoneSelected, u"没有选择端口。"},

    // About box
    {AboutCaption, u"关于 Korvane"},
    {AboutDescription, u"Korvane 联机应用程序。"},
    {AboutOkCaption, u"确定(&O)"},

    // Reconnecting after an unplug
    {PortStateReconnecting, u"等待重新连接"},

    // Keeping the computer awake while charging
    {KeepAwakeReason, u"正在充电，保持计算机唤醒"},
    {PortKeepingAwake, u"正在阻止计算机休眠"},

    // The end-of-charge notice
    {ChargeDoneSummary, u"%s 充电完成"},
    {ChargeDoneBody, u"%d mAh, %s"},

    // Keeping recordings on disk
    {FileRecordingsCaption, u"记录(&R)..."},
    {FileRecordingsHint, u"保存的记录"},
    {RestoreQuestion, u"上次的记录没有正常结束。要恢复吗？"},
    {RestoreDetail, u"开始时间：%s，端口：COM%d"},
    {RecordingsUnavailable, u"记录无法保存到磁盘，本次运行只在内存中记录。"},
    {RecordingsRenewed, u"记录文件已损坏，已改名为 %s，并新建了记录文件。"},
    {RecordingsReadOnly, u"记录文件由较新的版本创建，只能查看，不能保存新的记录。"},
    {RecordingWriteFailed, u"记录无法写入磁盘。"},
    {RecordingDiskFull, u"磁盘已满，或文件不能再增大。"},
    {RecordingLocked, u"记录文件正被另一个程序占用。"},
    {RecordingInMemory, u"接收照常进行，记录只保存在内存中。"},
    {RecordingOpenFailed, u"无法读取这条记录。"},
    {AppTitleWithRecording, u"Korvane 联机应用程序 - 记录 %s"},
    {FullExportDialogTitle, u"导出完整数据"},

    // Stored recordings dialog
    {RecordingsCaption, u"记录"},
    {RecordingsOpenCaption, u"打开"},
    {RecordingsDeleteCaption, u"删除"},
    {RecordingsExportCaption, u"导出..."},
    {RecordingsExportFullCaption, u"导出完整数据..."},
    {RecordingsCloseCaption, u"关闭"},
    {RecordingsStartColumn, u"开始时间"},
    {RecordingsPortColumn, u"端口"},
    {RecordingsDurationColumn, u"时长"},
    {RecordingsChargedColumn, u"充电通道"},
    {RecordingsCapacityColumn, u"最终容量"},
    {RecordingsDescriptionColumn, u"说明"},
    {RecordingsSizeColumn, u"大小"},
    {RecordingsMarkColumn, u"状态"},
    {RecordingsLiveMark, u"记录中"},
    {RecordingsUncleanMark, u"未正常结束"},
    {RecordingsCapacityFormat, u"%d: %d mAh"},
    {RecordingsSizeKiloBytes, u"%s KB"},
    {RecordingsSizeMegaBytes, u"%s MB"},
    {RecordingsDeleteQuestion, u"删除选中的 %d 条记录吗？"},
    {RecordingsLiveNotDeleted, u"%d 条记录正在记录中，没有删除。"},
};

constexpr bool EveryIdInPlace()
{
    for (std::size_t i = 0; i < std::size(Texts); ++i) {
        if (static_cast<std::size_t>(Texts[i].Id) != i || Texts[i].Text == nullptr || Texts[i].Text[0] == u'\0')
            return false;
    }
    return true;
}

static_assert(std::size(Texts) == static_cast<std::size_t>(Count), "every text id needs its text");
static_assert(EveryIdInPlace(), "texts must stand in id order and none may be empty");

} // namespace

QString LoadStr(TTextId Id)
{
    const auto index = static_cast<std::size_t>(Id);
    if (index >= std::size(Texts))
        return {};
    return QString::fromUtf16(Texts[index].Text);
}
