// The "Brxapi Log" group of a route dialog: whether tracing is on, the trace file (the
// default "BRXAPI.LOG" when tracing with none named) and the buttons that view, print or
// choose that file. The trace file can be edited only while tracing is on.
#pragma once

#include <string>

#include "uikit/Dialog.h"

namespace brxdlg {

// The group's control ids in its dialog.
struct TraceLogIds {
    int tracing;
    int traceFile;
    int view;
    int print;
    int browse;
};

class CTraceLogGroup {
public:
    explicit CTraceLogGroup(const TraceLogIds& ids) : m_ids(ids) {}

    // For a user who may not change the machine's settings: greys the group's buttons, its
    // check and the dialog's OK.
    void Lock(uikit::IControlPanel& panel) const;
    // Takes the stored settings (with the default trace file when tracing with none) and
    // enables the trace file accordingly.
    void Init(bool tracing, std::string traceFile, uikit::IControlPanel& panel);
    // Shows the settings in the group's controls.
    void Load(uikit::IControlPanel& panel) const;
    // Takes the settings from the group's controls.
    void Save(const uikit::IControlPanel& panel);
    // The settings to store on OK: the default trace file when tracing with none.
    void Complete();
    // Handles a command of the group's controls; false for any other id.
    bool OnCommand(int id, uikit::IControlPanel& panel);

    bool Tracing() const noexcept { return m_tracing; }
    const std::string& TraceFile() const noexcept { return m_traceFile; }

private:
    void ViewOrPrint(const uikit::IControlPanel& panel, bool print) const;

    TraceLogIds m_ids;
    bool m_tracing = false;
    std::string m_traceFile;
};

}  // namespace brxdlg
