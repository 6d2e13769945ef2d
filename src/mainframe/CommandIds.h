// The identifiers of the main window, its controls and its popup menu. The
// numbers are part of the program's command table: the event table, the
// enabling rules and the tests all use these names.
#pragma once

namespace cmd {

enum : int {
    MainWindow = 10000,
    LeftPanel = 10001,
    DeviceChoice = 10002,
    MarkSpace = 10003,
    FrontSpace = 10004,
    AutoPlot = 10005,
    DeleteFile = 10006,
    PlotPath = 10007,
    Refresh = 10008,
    PrevFile = 10009,
    Rotate = 10010,
    Mirror = 10011,
    Copies = 10012,
    Blocks = 10013,
    Remove = 10014,
    NextFile = 10015,
    AddSelected = 10016,
    RemoveAll = 10017,
    AddAll = 10018,
    FileList = 10019,
    TopPanel = 10020,
    Menu = 10021,
    Setup = 10022,
    Language = 10023,
    Print = 10024,
    PlotToFile = 10025,
    LowerPanel = 10026,
    Emulate = 10028,
    HalfCut = 10029,
    Minimise = 10030,
    Maximise = 10031,
    Close = 10032,
    About = 10034,
    Splitter = 10035,
    StatusBar = 10036,
    PlotPanel = 10037,
    ExtractPen = 10038,
    PlotList = 10039,
    ToolZoom = 10040,
    ToolDrawPen = 10041,
    ToolCutPen = 10042,
    ToolHalfCutPen = 10043,
    Search = 10044,
    Cancel = 10052,
    ResetPen = 10058,
    Outline = 10063,
    // the edit popup menu of the menu button
    Combine = 10100,
    Slot = 10101,
    SlotSetup = 10102,
    BrokenLine = 10103,
    Undo = 10104,
    Redo = 10105,
    Pause = 10106,
    Spline = 10107,
    // the tray icon's menu
    TrayShow = 10001,
    TrayExit = 10002,
    // the About dialog
    AboutDialog = 10035,
};

} // namespace cmd
