#pragma once

// Start-up: the lesson file into the list, the voice, then the versioned caption.

#include "core/controls.h"
#include "core/services.h"
#include "lessonfile.h"

#include <functional>

namespace mulo {

inline const QString startupFailureText = QStringLiteral("出现异常错误,请与作者联系!");

struct StartupContext {
    ListOps& list;
    CaptionOps& caption;
    MessageBoxOps& messageBox;
    const AppInfo& app;
    std::function<FileBytes(const QString& path)> readFile = readLessonFileBytes;
    // Creates and configures the voice; empty while there is no speech.
    std::function<void()> setUpVoice = {};
};

// "Mulo儿童识字 V1.0.2"
QString versionedCaption(const AppInfo& app);

// Runs once, before the window is first shown. Whatever fails, the user sees one fixed
// warning and the window opens with as much as had been done.
void Form_Load(StartupContext& context);

} // namespace mulo
