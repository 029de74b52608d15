// The main window's side of module profiles: saving the current module into
// a profile file, and loading a file into it through the write dialog. The
// procedures themselves live in maintenance/ and run under a sequence of the
// crate core, which pauses the refresh and pins the module until they end.
#include "NorvControl.h"

#include "ModalRuns.h"
#include "OperatorPrompt.h"
#include "WindowPrompt.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogWriteProfile.h>
#include <ProfileFormat.h>
#include <ProfileReader.h>
#include <ProfileSave.h>
#include <ProfileWrite.h>
#include <Sequence.h>

#include <QFileInfo>
#include <QStatusBar>

void NorvControl::on_actionSaveProfile_triggered()
{
    BaseModule *module = m_crate->currentModule();
    if (!module)
        return;
    if (const QString refusal = ProfileSave::refusal(*module); !refusal.isEmpty()) {
        m_windowPrompt->information(CorePrompt::programTitle(), refusal);
        return;
    }
    QString fileName = prompt()->getSaveFileName(
        this, tr("Save Module Profile"),
        ProfileFormat::proposedName(m_profilePath, module->GetModuleSerialNumber()),
        tr("Profile Files (*%1)").arg(QLatin1String(ProfileFormat::Extension)));
    if (fileName.isEmpty())
        return;
    fileName = ProfileFormat::withExtension(fileName);
    m_profilePath = QFileInfo(fileName).absolutePath();

    const std::unique_ptr<Sequence> sequence = m_crate->beginSequence(tr("the profile save"));
    if (!sequence)
        return;
    if (ProfileSave::save(*sequence, fileName, *m_windowPrompt))
        statusBar()->showMessage(tr("Profile saved to file %1.").arg(fileName));
    else
        statusBar()->clearMessage(); // no earlier success may stand for this save
}

void NorvControl::on_actionLoadProfile_triggered()
{
    const QString fileName = prompt()->getOpenFileName(
        this, tr("Load Module Profile"), m_profilePath,
        tr("Profile Files (*%1)").arg(QLatin1String(ProfileFormat::Extension)));
    if (fileName.isEmpty())
        return;
    m_profilePath = QFileInfo(fileName).absolutePath();

    // Dropping the sequence on any way out lets the refresh run again.
    const std::unique_ptr<Sequence> sequence = m_crate->beginSequence(tr("the profile write"));
    if (!sequence)
        return;
    const ProfileLoad load
        = ProfileReader::read(fileName, ProfileRecord::channelsOf(*sequence->module()));
    if (!load.ok) {
        m_windowPrompt->warning(CorePrompt::programTitle(), load.error);
        return;
    }

    if (!m_dialogWriteProfile) {
        m_dialogWriteProfile = new DialogWriteProfile(this);
        // Nothing else may touch the module while the operator reads the log.
        m_dialogWriteProfile->setWindowModality(Qt::ApplicationModal);
        connect(this, &NorvControl::addLineToWriteProfileLog, m_dialogWriteProfile,
                &DialogWriteProfile::addToLog);
    }
    m_dialogWriteProfile->show();
    m_dialogWriteProfile->activateWindow();
    for (const QString &line : load.log)
        emit addLineToWriteProfileLog(line);
    if (ModalRuns::runModal(m_dialogWriteProfile) != QDialog::Accepted)
        return;

    CrateCore *crate = m_crate.get();
    ProfileWrite::run(
        *sequence, load.record, [crate](int ms) { crate->wait(ms); }, *m_windowPrompt,
        [this](const QString &line) { emit addLineToWriteProfileLog(line); });
}
