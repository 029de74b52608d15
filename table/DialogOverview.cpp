#include "DialogOverview.h"

#include "ui_dialogoverview.h"

#include <QDebug>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QtMath>

namespace {

// Wide enough for the address heading a module ("VME BA 0x4000").
constexpr int ColumnWidth = 100;
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
    labelTables();
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
    // Columns come with the modules: an empty column would look like a
    // module that reports nothing.
    table->setRowCount(rows);
    table->setColumnCount(0);
    table->verticalHeader()->setFixedWidth(VerticalHeaderWidth);
    table->horizontalHeader()->setDefaultSectionSize(ColumnWidth);
    for (int row = 0; row < rows; ++row)
        table->setRowHeight(row, RowHeight);
}

void DialogOverview::labelTables()
{
    // What each grid shows and in which unit: the all-modules pass reports
    // volts and milliamperes, and the current grid shows microamperes.
    const auto caption = [this](const QString &text, QWidget *above) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("caption_") + above->objectName());
        m_ui->verticalLayout->insertWidget(m_ui->verticalLayout->indexOf(above), label);
    };
    caption(tr("<b>Measured voltage (V)</b>"), m_ui->voltageTable);
    caption(tr("<b>Module status</b> (worst channel first)"), m_ui->statusTable);
    caption(tr("<b>Measured current (%1A)</b>").arg(QChar(0x00B5)), m_ui->currentTable);
    auto *legend = new QLabel(this);
    legend->setObjectName(QStringLiteral("legend"));
    legend->setWordWrap(true);
    legend->setText(
        tr("<font color=\"green\">green</font>: at the set voltage, "
           "<font color=\"magenta\">magenta</font>: more than %L1 V from it; status "
           "<font color=\"green\">OK</font> or <font color=\"green\">Ramp</font>, "
           "<span style=\"background:red;color:white\">&nbsp;Ch n TRIP&nbsp;</span>: the first "
           "channel with the module's worst problem (TRIP, EMCY, EINH, CLIM, VLIM, BNDS, IERR); "
           "the tool tip lists every channel.")
            .arg(double(VoltageTolerance)));
    m_ui->verticalLayout->addWidget(legend);
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
    const int known = m_serialNumbers.indexOf(serialNumber);
    if (known >= 0)
        return known;
    if (m_serialNumbers.size() >= MaxModules)
        return -1;
    qDebug() << "new Module with sn." << serialNumber;
    m_serialNumbers.append(serialNumber);
    const int column = m_serialNumbers.size() - 1;
    for (QTableWidget *table : {m_ui->voltageTable, m_ui->statusTable, m_ui->currentTable})
        table->setColumnCount(column + 1);
    m_ui->voltageTable->setHorizontalHeaderItem(
        column, new QTableWidgetItem(tr("Module %1").arg(column)));
    // Unknown until the first set voltage arrives: no comparison before that.
    m_voltageSets.append(QVector<float>(MaxChannels, qQNaN()));
    m_statusSummaries.append(ModuleStatusSummary());
    return column;
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
