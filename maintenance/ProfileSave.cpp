#include "ProfileSave.h"

#include "ProfileFile.h"

#include <BaseModule.h>
#include <CorePrompt.h>
#include <Sequence.h>
#include <WordBits.h>

#include <QCoreApplication>

namespace ProfileSave {

namespace {

    QString tr(const char *text) { return QCoreApplication::translate("ProfileSave", text); }

    bool answers(BaseModule &module)
    {
        return module.connected() && module.GetModuleSerialNumber() != 0;
    }

} // namespace

QString refusal(BaseModule &module)
{
    if (!answers(module))
        return tr("The module does not answer. Its profile cannot be saved.");
    if (module.GetModuleStatus() & WordBits::ModuleStatus::SpecialMode)
        return tr("The module is in special mode. Its profile cannot be saved.");
    return QString();
}

bool save(Sequence &sequence, const QString &path, CorePrompt &prompt)
{
    BaseModule *module = sequence.module();
    const QString refused = module ? refusal(*module) : tr("There is no module to work on.");
    if (!refused.isEmpty()) {
        prompt.information(CorePrompt::programTitle(), refused);
        return false;
    }
    const ProfileSnapshot snapshot = ProfileFile::fromModule(*module);
    // A module that fell silent meanwhile answered 0 to the later reads.
    if (!answers(*module)) {
        prompt.warning(CorePrompt::programTitle(),
                       tr("The module stopped answering while its profile was read. Nothing "
                          "was saved to file %1.")
                           .arg(path));
        return false;
    }
    QString error;
    if (!ProfileFile::write(path, snapshot, &error)) {
        prompt.warning(CorePrompt::programTitle(),
                       tr("The profile could not be saved to file %1: %2.").arg(path, error));
        return false;
    }
    return true;
}

} // namespace ProfileSave
