#pragma once

#include "ModuleStatusSummary.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QVector>

class QColor;
class QTableWidget;
class QTableWidgetItem;

namespace Ui {
class DialogOverview;
}

/// The system overview: measured voltages, one status cell and measured
/// currents of up to 16 modules side by side, one column per module in the
/// order in which the modules first report.
class DialogOverview : public QDialog
{
    Q_OBJECT

public:
    /// Modules that get a column; later ones are not shown.
    static constexpr int MaxModules = 16;
    /// Channel rows of the voltage and current tables.
    static constexpr int MaxChannels = ModuleStatusSummary::MaxChannels;
    /// A measured voltage further than this from the set voltage is flagged.
    static constexpr float VoltageTolerance = 0.5f;

    explicit DialogOverview(QWidget *parent = nullptr);
    ~DialogOverview() override;

    /// Column of the module with this serial number; a new module gets the
    /// next free column, or -1 when all 16 are taken.
    int moduleColumn(int serialNumber);
    /// Serial numbers of the known modules, by column.
    const QList<int> &serialNumbers() const { return m_serialNumbers; }

    /// Heads the module's column with its address and a tool tip naming it.
    void addModule(int serialNumber, const QString &address, const QString &firmwareName,
                   const QString &firmwareRelease);

public slots:
    /// Shows a measured voltage, magenta when it is off the set voltage.
    void updateChannelVoltageMeasure(int serialNumber, int channel, float voltageMeasure,
                                     const QString &unit);
    /// Shows a measured current multiplied by 1000.
    void updateChannelCurrentMeasure(int serialNumber, int channel, float currentMeasure,
                                     const QString &unit);
    /// Keeps the set voltage the measured voltage is compared with.
    void updateChannelVoltage(int serialNumber, int channel, float voltage, const QString &unit);
    /// Folds a channel status word into the module's status cell.
    void updateChannelStatus(int serialNumber, int channel, quint32 status);

private:
    /// Column for an update, -1 when the update is not shown.
    int columnFor(int serialNumber, int channel);
    static void setupTable(QTableWidget *table, int rows);
    /// Captions with quantity and unit above the grids, and the colour legend.
    void labelTables();
    static QTableWidgetItem *cell(QTableWidget *table, int row, int column);

    Ui::DialogOverview *m_ui;
    QList<int> m_serialNumbers;
    QList<QVector<float>> m_voltageSets;
    QList<ModuleStatusSummary> m_statusSummaries;
};
