#pragma once

/// What the refresh tick asks of whoever shows the crate before it reads: the
/// selected channel row and whether every module is wanted. A core without a
/// view (a headless tool) has no selection and shows no overview.
class CrateView
{
public:
    virtual ~CrateView() = default;

    /// The selected table row, -1 when none.
    virtual int selectedChannel() const = 0;
    /// True while the system overview is shown.
    virtual bool overviewShown() const = 0;
    /// True while the statistic dialog waits for one pass over all modules.
    virtual bool onceRunPending() const = 0;
    /// True while the crate dialog is shown.
    virtual bool crateDialogShown() const = 0;
};
