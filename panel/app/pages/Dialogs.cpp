// The confirmation dialog draws its own frame: a white box with the question
// of the offered update, Yes and No. Either button, or twelve seconds
// without an answer, returns to the page the dialog was opened over.
#include "panel/app/pages/Dialogs.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Services.h"
#include "panel/hw/TouchStage.h"

namespace {

constexpr u16 kDialogTicks = 1000;

// "Update to V1.05.3 ?": the version word's upper bits are the version
// number, its lowest byte the build.
void UpdateQuestion() {
    const u32 update = UpdateInformation();
    const u32 version = update >> 8;
    char build[6];
    FormatUnsigned(build, static_cast<u16>(update & 255));
    const char number[] = {' ',
                           'V',
                           static_cast<char>('0' + version / 100 % 10),
                           '.',
                           static_cast<char>('0' + version / 10 % 10),
                           static_cast<char>('0' + version % 10),
                           '.',
                           0};
    char question[64];
    u8 n = 0;
    Append(question, n, sizeof question, Text(Txt::kUpdateTo));
    Append(question, n, sizeof question, number);
    Append(question, n, sizeof question, build);
    Append(question, n, sizeof question, " ?");
    DlSetFont(FontSlot::kSmall);
    TextAt(question, CentredX(question, 160, FontSlot::kSmall), 170);
}

Outcome RefreshConfirmDialog() {
    if (AppState.dialogTimer > 0) AppState.dialogTimer -= 1;
    return AppState.dialogTimer == 0 ? GoTo(AppState.dialogReturnPage) : Stay();
}

}  // namespace

void DrawConfirmDialog() {
    DlSetForeground(Colour::kBlack);
    DlSetBackground(Colour::kWhite);
    DlSetFlags(DrawMode::kFilled);
    DlRect(20, 50, 300, 190);

    RemoveTouchButton(kAllTouchButtons);
    AppState.dialogTimer = kDialogTicks;

    DlSetBackground(Colour::kBrightGreen);
    DlRect(70, 70, 140, 130);
    AddTouchButton(Button::kYes, 70, 70, 140, 130);
    DlSetBackground(Colour::kRed);
    DlRect(180, 70, 250, 130);
    AddTouchButton(Button::kNo, 180, 70, 250, 130);

    DlSetFont(FontSlot::kTitle);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    const u16 baseLine = static_cast<u16>(100 + FontHeight(FontSlot::kTitle) / 2);
    const char* yes = Text(Txt::kYes);
    const char* no = Text(Txt::kNo);
    TextAt(yes, CentredX(yes, 105, FontSlot::kTitle), baseLine);
    TextAt(no, CentredX(no, 215, FontSlot::kTitle), baseLine);

    UpdateQuestion();
}

constexpr PageRecord ConfirmDialogPage = {
    .names = Names("confirmation dialog", "confirmation-dialog"),
    .view = {.flags = PageFlag::kOwnFrame, .build = DrawConfirmDialog, .refresh = RefreshConfirmDialog},
    .gallery = "go start-page; set dialog on",
};
