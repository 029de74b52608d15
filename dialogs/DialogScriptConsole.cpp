#include "DialogScriptConsole.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int TabStopPixels = 40;

QTextEdit *textEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QTextEdit(parent);
    edit->setObjectName(name);
    edit->setAcceptRichText(false);
    edit->setTabStopDistance(TabStopPixels);
    return edit;
}

} // namespace

DialogScriptConsole::DialogScriptConsole(QWidget *parent)
    : QDialog(parent)
    , m_editor(textEdit(this, QStringLiteral("scriptEditor")))
    , m_run(new QPushButton(tr("Run Script"), this))
    , m_stop(new QPushButton(tr("Stop Script"), this))
    , m_output(textEdit(this, QStringLiteral("scriptOutput")))
{
    setWindowTitle(tr("Script Console"));
    m_run->setObjectName(QStringLiteral("btnRunScript"));
    m_stop->setObjectName(QStringLiteral("btnStopScript"));
    m_stop->setEnabled(false);
    m_output->setReadOnly(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_run);
    buttons->addWidget(m_stop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
    layout->addLayout(buttons);
    layout->addWidget(m_output);

    connect(m_run, &QPushButton::clicked, this, &DialogScriptConsole::runButtonClicked);
    connect(m_stop, &QPushButton::clicked, this, &DialogScriptConsole::stopScript);
}

void DialogScriptConsole::scriptMessage(const QString &message) { m_output->append(message); }

void DialogScriptConsole::runButtonClicked()
{
    m_output->clear();
    emit runScript(m_editor->toPlainText());
}

void DialogScriptConsole::setScriptRunning(bool running) { m_stop->setEnabled(running); }
