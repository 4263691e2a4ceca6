#pragma once

// Setting up the voice at start, and speaking the answer.

#include "core/controls.h"
#include "voice.h"

#include <functional>

namespace mulo::speech {

inline const QString mandarinVoiceAttributes = QStringLiteral("name=") + mandarinVoiceName;

// Creates the voice into Voice, then picks the Mandarin voice and fixes output format
// (8 kHz, 16-bit, mono), rate 3 and volume 40, in that order. No failure is caught here:
// the first failing step ends the set-up, and Voice keeps what had been done.
void setUpVoice(std::unique_ptr<SpVoice>& Voice, const VoiceFactory& create,
                const QString& requiredAttributes = mandarinVoiceAttributes);

struct AnswerControls {
    TextBoxOps& txtTi;
    std::function<void()> cmdTest_Click; // picks a question into txtTi
    SpVoice* Voice;                      // null when there is no voice
};

// Speaks the question box; with a blank box a question is picked and shown first. Returns
// when the speech has ended. Every failure ends the answer silently: a child pressing the
// button has nothing to do with a message about the sound system.
void cmdRead_Click(AnswerControls& controls) noexcept;

} // namespace mulo::speech
