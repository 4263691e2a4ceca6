#include "startup.h"

namespace mulo {

QString versionedCaption(const AppInfo& app)
{
    return QStringLiteral("%1 V%2.%3.%4")
        .arg(app.Title())
        .arg(app.Major())
        .arg(app.Minor())
        .arg(app.Revision());
}

void Form_Load(StartupContext& context)
{
    try {
        const FileBytes file = context.readFile(lessonFilePath(context.app.Path()));
        const bool readFailed = !file.error.isEmpty();
        const LessonFile lessons =
            parseLessonFile(file.bytes, ListOps::maxCount - context.list.ListCount(), readFailed);
        for (const QString& entry : lessons.entries)
            context.list.AddItem(entry);
        if (readFailed)
            throw RuntimeError(file.error);

        if (context.setUpVoice)
            context.setUpVoice();
        context.caption.setCaption(versionedCaption(context.app));
    } catch (...) {
        // Deliberately one message for every cause: the user can do nothing but report it.
        context.messageBox.show(startupFailureText, MessageBoxOps::Exclamation);
    }
}

} // namespace mulo
