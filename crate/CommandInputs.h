#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// What the channel, module and system commands ask the operator, and the
/// arithmetic behind them, without a widget: the channel mask of a
/// selection, the texts, bounds and initial values of the input dialogs, the
/// two choice lists and the set-voltage staircase. The main window's command
/// slots read the module, call these and hand the result to the operator
/// prompt; tests call them directly.
class CommandInputs
{
public:
    /// A numeric input dialog: label, initial value, bounds and decimals.
    struct DoubleInput
    {
        QString label;
        double value = 0;
        double minimum = 0;
        double maximum = 0;
        int decimals = 0;
    };

    /// A non-editable choice dialog: label, items and the preselected index.
    struct Choice
    {
        QString label;
        QStringList items;
        int current = 0;
    };

    /// The largest and the smallest absolute nominal value of a set of channels.
    struct NominalRange
    {
        double largest = 0;
        double smallest = 0;
    };

    /// Bit (row mod 32) for every listed row; an empty list gives 0.
    static quint32 channelMask(const QList<int> &rows);

    /// Largest and smallest absolute value of `nominals`; both 0 for none.
    static NominalRange nominalRange(const QList<float> &nominals);
    /// True for the type code of device class 28, whose outputs may be negative.
    static bool allowsNegativeVoltage(const QString &typeCode);

    /// A number as the dialogs show it: locale digits, 'g' with 6 significant digits.
    static QString number(double value);

    /// Set voltage of one channel: -|nominal| ... |nominal| on class 28, else 0 ... |nominal|.
    static DoubleInput channelVoltage(int channel, double nominal, const QString &unit,
                                      bool negativeAllowed, double initial);
    /// Set current of one channel: 0 ... |nominal|.
    static DoubleInput channelCurrent(int channel, double nominal, const QString &unit,
                                      double initial);
    /// Set voltage of several selected channels of one module.
    static DoubleInput selectionVoltage(const NominalRange &range, const QString &unit,
                                        double initial);
    /// Set current of several selected channels of one module.
    static DoubleInput selectionCurrent(const NominalRange &range, const QString &unit,
                                        double initial);
    /// Set voltage of every channel of one module.
    static DoubleInput moduleVoltage(const NominalRange &range, const QString &unit,
                                     bool negativeAllowed, double initial);
    /// Set current of every channel of one module.
    static DoubleInput moduleCurrent(const NominalRange &range, const QString &unit,
                                     double initial);
    /// Set voltage of every channel of every module.
    static DoubleInput systemVoltage(const NominalRange &range, const QString &unit,
                                     double initial);
    /// Set current of every channel of every module.
    static DoubleInput systemCurrent(const NominalRange &range, const QString &unit,
                                     double initial);
    /// Voltage ramp speed in percent of the nominal per second.
    static DoubleInput voltageRamp(double initial);
    /// Current ramp speed in percent of the nominal per second.
    static DoubleInput currentRamp(double initial);

    /// ADC samples per second, preselecting the reported rate ("500" when unknown).
    static Choice adcSamplesPerSecond(quint32 reported);
    /// Digital filter averaging steps, preselecting the reported value ("64" when unknown).
    static Choice digitalFilter(quint32 reported);
    /// The number chosen in a choice dialog; false for an empty or non-numeric text.
    static bool choiceValue(const QString &text, quint32 *value);

    /// The set voltages of the test staircase, channel 0 first: steps of
    /// nominal / channels, at most 100, downwards from the nominal or upwards
    /// to it, each rounded down. Empty for a module without channels.
    static QList<float> staircase(int channels, double nominal, bool downwards);
};
