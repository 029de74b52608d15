#pragma once

#include <QDialog>

class QPushButton;
class QTextEdit;

/// The script console: the script editor, "Run Script" and "Stop Script",
/// and the output pane where the running script's lines appear.
class DialogScriptConsole : public QDialog
{
    Q_OBJECT

public:
    explicit DialogScriptConsole(QWidget *parent = nullptr);

    QTextEdit *editor() const { return m_editor; }
    QTextEdit *output() const { return m_output; }
    QPushButton *runButton() const { return m_run; }
    QPushButton *stopButton() const { return m_stop; }

signals:
    /// The editor's text; empty asks for the stored script again.
    void runScript(const QString &script);
    /// The operator wants the running script ended.
    void stopScript();

public slots:
    /// Appends `message` as a new paragraph of the output pane.
    void scriptMessage(const QString &message);
    /// Clears the output pane, then asks for a run of the editor's text.
    void runButtonClicked();
    /// "Stop Script" can be pressed while a script runs.
    void setScriptRunning(bool running);

private:
    QTextEdit *m_editor;
    QPushButton *m_run;
    QPushButton *m_stop;
    QTextEdit *m_output;
};
