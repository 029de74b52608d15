// Starts the main window the way the program does, with the fatal-error
// handler installed, and prints every critical message box it is asked to
// show as one line "critical<TAB>title<TAB>text" (newlines as \n). The
// settings store lives in the folder given as the first argument.
#include "PromptRecorder.h"

#include <CrateCore.h>
#include <FatalErrorBox.h>
#include <NorvControl.h>

#include <QApplication>
#include <QSettings>
#include <cstdio>

namespace {

class PrintingPrompt : public PromptRecorder
{
public:
    QMessageBox::StandardButton critical(QWidget *, const QString &title, const QString &text,
                                         QMessageBox::StandardButtons,
                                         QMessageBox::StandardButton) override
    {
        QString escaped = text;
        escaped.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        std::printf("critical\t%s\t%s\n", qPrintable(title), qPrintable(escaped));
        std::fflush(stdout);
        return QMessageBox::Ok;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc > 1)
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromLocal8Bit(argv[1]));
    FatalErrorBox::install();
    PrintingPrompt prompt;
    NorvControl window(QStringList {});
    std::printf("constructed\t%d\n", window.crate()->moduleCount());
    return 0;
}
