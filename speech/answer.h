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
    // Where the box's question was picked from, while the box holds it as picked; a place
    // without a lesson when the box was typed into, or no pick wrote it.
    std::function<QuestionPlace()> questionPlace = {};
};

// Speaks the question box; with a blank box a question is picked and shown first. Returns
// when the speech has ended. Every failure ends the answer silently: a child pressing the
// button has nothing to do with a message about the sound system.
void cmdRead_Click(AnswerControls& controls) noexcept;

// What the Mandarin voice is given for a question: the question itself, unless it is one
// character of a lesson that the lesson reads otherwise than the character alone (行 of
// 银行): then that reading, in numbered pinyin.
QString spokenQuestion(const QString& question, const QuestionPlace& place);

} // namespace mulo::speech
