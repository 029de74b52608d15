#include "DialogOverview.h"

#include "ui_dialogoverview.h"

#include <QDebug>
#include <QHeaderView>
#include <QScrollBar>
#include <QtMath>

namespace {

constexpr int ColumnWidth = 80;
constexpr int RowHeight = 20;
constexpr int VerticalHeaderWidth = 120;
constexpr int StatusTableHeight = 25;

} // namespace

DialogOverview::DialogOverview(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::DialogOverview)
{
    m_ui->setupUi(this);

    setupTable(m_ui->voltageTable, MaxChannels);
    setupTable(m_ui->currentTable, MaxChannels);
    setupTable(m_ui->statusTable, 1);
    for (int column = 0; column < MaxModules; ++column)
        m_ui->voltageTable->setHorizontalHeaderItem(
            column, new QTableWidgetItem(tr("Module %1").arg(column)));
    for (int row = 0; row < MaxChannels; ++row) {
        const QString header = tr("Channel %1").arg(row);
        m_ui->voltageTable->setVerticalHeaderItem(row, new QTableWidgetItem(header));
        m_ui->currentTable->setVerticalHeaderItem(row, new QTableWidgetItem(header));
    }
    m_ui->statusTable->setVerticalHeaderItem(0, new QTableWidgetItem(tr("Status")));

    m_ui->currentTable->horizontalHeader()->hide();
    m_ui->statusTable->horizontalHeader()->hide();
    m_ui->statusTable->setFixedHeight(StatusTableHeight);
    // The status row is too low for scroll bars; it follows the voltage
    // table's horizontal scrolling instead, like the current table, so that a
    // module's cells stay one above the other.
    m_ui->statusTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_ui->statusTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QList<QTableWidget *> tables {m_ui->voltageTable, m_ui->statusTable, m_ui->currentTable};
    for (QTableWidget *from : tables) {
        for (QTableWidget *to : tables) {
            if (from != to)
                connect(from->horizontalScrollBar(), &QScrollBar::valueChanged,
                        to->horizontalScrollBar(), &QScrollBar::setValue);
        }
    }
}

DialogOverview::~DialogOverview() { delete m_ui; }

void DialogOverview::setupTable(QTableWidget *table, int rows)
{
    table->setRowCount(rows);
    table->setColumnCount(MaxModules);
    table->verticalHeader()->setFixedWidth(VerticalHeaderWidth);
    for (int column = 0; column < MaxModules; ++column)
        table->setColumnWidth(column, ColumnWidth);
    for (int row = 0; row < rows; ++row)
        table->setRowHeight(row, RowHeight);
}

QTableWidgetItem *DialogOverview::cell(QTableWidget *table, int row, int column)
{
    QTableWidgetItem *item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, column, item);
    }
    return item;
}

int DialogOverview::moduleColumn(int serialNumber)
{
    const int column = m_serialNumbers.indexOf(serialNumber);
    if (column >= 0)
        return column;
    if (m_serialNumbers.size() >= MaxModules)
        return -1;
    qDebug() << "new Module with sn." << serialNumber;
    m_serialNumbers.append(serialNumber);
    // Unknown until the first set voltage arrives: no comparison before that.
    m_voltageSets.append(QVector<float>(MaxChannels, qQNaN()));
    m_statusSummaries.append(ModuleStatusSummary());
    return m_serialNumbers.size() - 1;
}

int DialogOverview::columnFor(int serialNumber, int channel)
{
    // A channel the tables have no row for must not claim a column either.
    if (channel < 0 || channel >= MaxChannels)
        return -1;
    return moduleColumn(serialNumber);
}

void DialogOverview::addModule(int serialNumber, const QString &address,
                               const QString &firmwareName, const QString &firmwareRelease)
{
    const int column = moduleColumn(serialNumber);
    if (column < 0)
        return;
    QTableWidgetItem *header = m_ui->voltageTable->horizontalHeaderItem(column);
    header->setText(address);
    header->setToolTip(tr("Serial number\t%1\nFirmware\t%2\nVersion\t%3")
                           .arg(serialNumber)
                           .arg(firmwareName, firmwareRelease));
}

void DialogOverview::updateChannelVoltageMeasure(int serialNumber, int channel,
                                                 float voltageMeasure, const QString &unit)
{
    Q_UNUSED(unit);
    const int column = columnFor(serialNumber, channel);
    if (column < 0)
        return;
    // A comparison with an unknown set voltage is false: green.
    const bool off = qAbs(voltageMeasure - m_voltageSets.at(column).at(channel)) > VoltageTolerance;
    QTableWidgetItem *item = cell(m_ui->voltageTable, channel, column);
    item->setText(QStringLiteral("%L1").arg(voltageMeasure, 0, 'f', 1));
    item->setForeground(off ? Qt::magenta : Qt::green);
}

void DialogOverview::updateChannelCurrentMeasure(int serialNumber, int channel,
                                                 float currentMeasure, const QString &unit)
{
    Q_UNUSED(unit);
    const int column = columnFor(serialNumber, channel);
    if (column < 0)
        return;
    cell(m_ui->currentTable, channel, column)
        ->setText(QStringLiteral("%L1").arg(double(currentMeasure) * 1000.0, 0, 'f', 3));
}

void DialogOverview::updateChannelVoltage(int serialNumber, int channel, float voltage,
                                          const QString &unit)
{
    Q_UNUSED(unit);
    const int column = columnFor(serialNumber, channel);
    if (column < 0)
        return;
    m_voltageSets[column][channel] = voltage;
}

void DialogOverview::updateChannelStatus(int serialNumber, int channel, quint32 status)
{
    const int column = columnFor(serialNumber, channel);
    if (column < 0)
        return;
    ModuleStatusSummary &summary = m_statusSummaries[column];
    // Every pass repeats every channel's word; redraw the cell only on news.
    if (!summary.setChannelStatus(channel, status))
        return;
    QTableWidgetItem *item = cell(m_ui->statusTable, 0, column);
    item->setText(summary.text());
    item->setForeground(summary.foreground());
    const QColor background = summary.background();
    if (background.isValid())
        item->setBackground(background);
    else
        item->setData(Qt::BackgroundRole, QVariant());
    item->setToolTip(summary.toolTip());
}
