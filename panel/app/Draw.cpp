#include "panel/app/Draw.h"
#include "panel/StaticState.h"

#include "panel/app/AppState.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"

namespace {

struct DrawState {
    u8 valueDrawingArmed;
};

DrawState draw;

u16 WidestDigit(u8 font) {
    u16 widest = 0;
    for (u8 d = 0; d < 10; ++d) {
        const char digit[2] = {static_cast<char>('0' + d), 0};
        const u16 w = TextWidth(digit, font);
        if (w > widest) widest = w;
    }
    return widest;
}

// The left end of a right-aligned value field: the given left end, or
// further left when the widest text of the format would reach past it.
u16 FieldLeft(u16 left, u16 right, const NumberFormat& format, const char* suffix) {
    const u16 widest = WidestValue(format, suffix);
    return widest < right && right - widest < left ? static_cast<u16>(right - widest) : left;
}

// The text of value in a table of a setting's texts.
const char* PickText(std::span<const TextId> texts, u8 value) { return value < texts.size() ? Text(texts[value]) : ""; }

}  // namespace

u16 WidestValue(const NumberFormat& format, const char* suffix) {
    const u8 digits = format.firstDigit < kPackedDigits ? format.firstDigit : kPackedDigits;
    u16 widest = static_cast<u16>(digits * WidestDigit(FontSlot::kBody) + TextWidth(suffix, FontSlot::kBody));
    if (format.flags & NumberFlag::kSigned) widest += TextWidth("-", FontSlot::kBody);
    if (format.separatorPos != 0) widest += TextWidth(",", FontSlot::kBody);
    return widest;
}

void Colours(Rgb565 foreground, Rgb565 background) {
    DlSetForeground(foreground);
    DlSetBackground(background);
}

void FilledRect(Rgb565 colour, u16 x0, u16 y0, u16 x1, u16 y1) {
    Colours(colour, colour);
    DlSetFlags(DrawMode::kFilled);
    DlRect(x0, y0, x1, y1);
}

void ClearField(u16 x0, u16 y0, u16 x1, u16 y1) {
    FilledRect(Colour::kPanelGrey, x0, y0, x1, y1);
    DlSetFlags(DrawMode::kOutline);
    DlTextPos(x0, y1);
}

void ClearContent() { FilledRect(Colour::kPanelGrey, 0, 35, kLastColumn, 207); }

const char* Text(TextId id) { return GetText(id, Settings.language); }

void TextAt(const char* text, u16 x, u16 baseLine) {
    DlTextPos(x, baseLine);
    DlText(text);
}

void Label(TextId id, u16 x, u16 baseLine) { TextAt(Text(id), x, baseLine); }

void PrintRightAligned(const char* text, u16 right, u16 baseLine, u8 font) {
    const u16 width = TextWidth(text, font);
    DlTextPos(width < right ? static_cast<u16>(right - width) : 0, baseLine);
    DlText(text);
}

u16 FitOnScreen(u16 x, const char* text, u8 font) {
    const u16 width = TextWidth(text, font);
    if (x + width <= kScreenWidth) return x;
    return width < kScreenWidth ? static_cast<u16>(kScreenWidth - width) : 0;
}

u16 CentredX(const char* text, i32 centre, u8 font) {
    const i32 x = centre - TextWidth(text, font) / 2;
    return x > 0 ? static_cast<u16>(x) : 0;
}

void PrintTwoDigits(u8 n) {
    DlChar(static_cast<u8>('0' + n / 10 % 10));
    DlChar(static_cast<u8>('0' + n % 10));
}

void Append(char* out, u8& n, u8 capacity, const char* text) {
    while (*text != 0 && n + 1 < capacity) out[n++] = *text++;
    out[n] = 0;
}

void ArmValueDrawing() { draw.valueDrawingArmed = 1; }

void BeginValueDrawing() {
    if (!draw.valueDrawingArmed) return;
    draw.valueDrawingArmed = 0;
    DlSetFont(FontSlot::kBody);
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
}

Rgb565 ValueColour() { return AppState.editActive ? Colour::kRed : Colour::kBlack; }

void NumberRow(u32& cache, u32 value, const NumberField& field) {
    if (value == cache) return;
    cache = value;
    BeginValueDrawing();
    ClearField(FieldLeft(field.x0, field.right, *field.format, field.suffix), field.y0, field.right, field.baseLine);
    DlSetForeground(Colour::kBlack);
    char text[kNumberTextMax + 4];
    FormatNumber(*field.format, static_cast<i32>(value), text);
    u8 n = 0;
    while (text[n] != 0) ++n;
    Append(text, n, sizeof text, field.suffix);
    PrintRightAligned(text, field.right, field.baseLine, FontSlot::kBody);
}

const char* LoadStrategyText(u8 value) { return PickText(LoadStrategyTexts, value); }
const char* ShortcutText(u8 value) { return PickText(ShortcutTexts, value); }
const char* SupplementaryText(u8 value) { return PickText(SupplementaryTexts, value); }
const char* OperatingModeText(u8 value) { return PickText(ModeTexts, value); }
const char* OnOffText(u8 on) { return Text(on != 0 ? Txt::kOutputOn : Txt::kOutputOff); }

const char* FaultLineText() {
    static char line[48];
    u8 n = 0;
    Append(line, n, sizeof line, Text(Txt::kFaultCodeLabel));
    const u8 code = Settings.faultCode;
    const char digits[] = {' ', static_cast<char>('0' + code / 10 % 10), static_cast<char>('0' + code % 10), 0};
    Append(line, n, sizeof line, digits);
    return line;
}

const char* FaultDescription(u8 code) {
    const TextId id = FaultTextId(code);
    if (id != kUnlistedFault && id != kNoText) return Text(id);
    static char line[48];
    u8 n = 0;
    Append(line, n, sizeof line, Text(Txt::kSolarFaultLabel));
    char number[5] = {' ', 0, 0, 0, 0};
    u8 digits = 1;
    if (code >= 100) number[digits++] = static_cast<char>('0' + code / 100);
    if (code >= 10) number[digits++] = static_cast<char>('0' + code / 10 % 10);
    number[digits] = static_cast<char>('0' + code % 10);
    Append(line, n, sizeof line, number);
    return line;
}

u8 FormatUnsigned(char* out, u16 value) {
    char digits[5];
    for (u8 i = 5; i-- > 0;) {
        digits[i] = static_cast<char>('0' + value % 10);
        value = static_cast<u16>(value / 10);
    }
    u8 first = 0;
    while (first < 4 && digits[first] == '0') ++first;
    u8 n = 0;
    for (u8 i = first; i < 5; ++i) out[n++] = digits[i];
    out[n] = 0;
    return n;
}

const char* FormatVersion() {
    static char buffer[] = "V 0.10";
    const u16 v = VersionNumber;
    buffer[2] = static_cast<char>('0' + v / 100 % 10);
    buffer[4] = static_cast<char>('0' + v % 100 / 10);
    buffer[5] = static_cast<char>('0' + v % 10);
    return buffer;
}

void ResetDrawStatics() { draw = DrawState{}; }
