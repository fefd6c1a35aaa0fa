#include "host/core/Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "host/core/PanelText.h"
#include "host/texts/PoTexts.h"
#include "panel/app/AppState.h"
#include "panel/app/PageTable.h"
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/InterpreterState.h"
#include "panel/gfx/Colour.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Text.h"
#include "panel/settings/Settings.h"
#include "panel/text/TextIds.h"
#include "panel/text/Texts.h"

namespace {

Scene* active = nullptr;

void Observe(u8 event) {
    if (active != nullptr) active->OnInterpreterEvent(event);
}

// The title bar ends above this row.
constexpr int kContentTop = 35;
// Texts closer than this on one base line read as one (a value and its unit).
constexpr int kJoinGap = 8;
// Base lines this close count as one: a reading's value may stand a pixel or
// two above its unit (the tank's top temperature does).
constexpr int kBaseLineSlack = 2;
// A gap at least this wide reads as a blank between them.
constexpr int kBlankGap = 3;

// The picture names by image table (slot) and index. The buttons' icons are
// indexed by their button id; the shortcut key's three icons share one name.
const std::vector<std::vector<std::string>>& PictureNames() {
    static const std::vector<std::vector<std::string>> kNames = {
        {"pump", "pump", "pump", "pump"},
        {"heating-circuit", "collector"},
        {"frost", "sun"},
        {"home", "up",      "down",   "back", "open",  "delete",   "faults",   "chart", "pencil", "shortcut",
         "menu", "confirm", "cancel", "plus", "minus", "shortcut", "shortcut", "wand",  "yes",    "no"},
        {"measurements", "yields", "settings", "system-data", "check", "auxiliary-heating", "faults-section", "timer"},
        {"fault-picture"},
        {"fault-banner"},
    };
    return kNames;
}

// Fields that a tool names: the fault lamp in the title bar, which is a
// filled square and no picture.
struct NamedField {
    const char* name;
    SceneBox box;
};
constexpr NamedField kNamedFields[] = {{"lamp", {298, 7, 20, 20}}};

constexpr std::pair<std::string_view, std::string_view> kSynonyms[] = {
    {"edit", "pencil"}, {"previous", "up"}, {"next", "down"}, {"select", "open"}, {"ok", "confirm"},
};

bool IsTextOpcode(u8 opcode) {
    return opcode == DL_CHAR || opcode == DL_TEXT || opcode == DL_TEXT_AT || opcode == DL_CHAR_ROTATED ||
           opcode == DL_TEXT_ROTATED;
}

int FontSlotOf(const FontRecord* font) {
    for (u8 slot = 0; slot < kFontSlotCount; ++slot) {
        if (FontInSlot(slot) == font && font != nullptr) return slot;
    }
    return -1;
}

std::string CommandText(u8 opcode) {
    if (opcode == DL_CHAR) return std::string(1, static_cast<char>(DlPeekByte(1)));
    if (opcode == DL_CHAR_ROTATED) return std::string(1, static_cast<char>(DlPeekByte(3)));
    const u16 first = opcode == DL_TEXT ? kDlTextFixed : opcode == DL_TEXT_AT ? kDlTextAtFixed : kDlTextRotatedFixed;
    std::string bytes;
    for (u16 offset = first; offset <= 0xFF; ++offset) {
        const u8 c = DlPeekByte(static_cast<u8>(offset));
        if (c == 0) break;
        bytes += static_cast<char>(c);
    }
    return bytes;
}

int GlyphsWidth(const std::string& bytes) {
    int width = 0;
    for (const char c : bytes) {
        const u8* glyph = GlyphLookup(static_cast<u8>(c), GetFont(), GetRangeMap());
        if (glyph != nullptr) width += GlyphWidth(glyph);
    }
    return width;
}

// The box of the pixels a line of glyphs sets, its base line at `baseLine`
// and its first glyph at `x`; empty when every glyph is blank. A glyph whose
// bits cannot be read counts whole.
SceneBox InkBox(const std::string& bytes, int x, int baseLine) {
    const FontRecord* font = GetFont();
    const int top = baseLine - CurrentFontHeight() + 1;
    int left = kScreenWidth;
    int upper = kScreenHeight;
    int right = -1;
    int lower = -1;
    const auto ink = [&](int px, int py) {
        left = std::min(left, px);
        upper = std::min(upper, py);
        right = std::max(right, px);
        lower = std::max(lower, py);
    };
    for (const char c : bytes) {
        const u8* glyph = GlyphLookup(static_cast<u8>(c), font, GetRangeMap());
        if (glyph == nullptr) continue;
        const int w = GlyphWidth(glyph);
        const int h = GlyphHeight(glyph);
        const u32 stride = font != nullptr && font->glyphBytes != 0 && h != 0 ? font->glyphBytes / static_cast<u32>(h)
                                                                              : (static_cast<u32>(w) + 7) / 8;
        if (w > 0 && h > 0 && (HasLongHeader(glyph) || stride == 0)) {
            ink(x, top);
            ink(x + w - 1, top + h - 1);
        } else {
            const u8* bits = glyph + kShortHeaderBytes;
            const int columns = std::min(w, static_cast<int>(stride * 8));
            for (int row = 0; row < h; ++row) {
                for (int column = 0; column < columns; ++column) {
                    if ((bits[static_cast<u32>(row) * stride + static_cast<u32>(column) / 8] >> (7 - column % 8)) & 1) {
                        ink(x + column, top + row);
                    }
                }
            }
        }
        x += w;
    }
    if (right < left || lower < upper) return {};
    return {left, upper, right - left + 1, lower - upper + 1};
}

// The clip window of the context, as a box.
SceneBox ClipBox(const GfxContext& context) {
    return {context.clipLeft, context.clipTop, context.clipRight - context.clipLeft + 1,
            context.clipBottom - context.clipTop + 1};
}

SceneBox Intersection(const SceneBox& a, const SceneBox& b) {
    const int left = std::max(a.x, b.x);
    const int top = std::max(a.y, b.y);
    const int right = std::min(a.Right(), b.Right());
    const int bottom = std::min(a.Bottom(), b.Bottom());
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

// The box of a text turned by `angle` degrees counter-clockwise about the
// left end of its base line.
SceneBox RotatedBox(int x, int y, int width, int height, int angle) {
    const double a = angle * 3.14159265358979 / 180.0;
    const double ux = std::cos(a);
    const double uy = -std::sin(a);  // the base line's direction on the screen
    const double vx = -std::sin(a);
    const double vy = -std::cos(a);  // up from the base line
    const double xs[4] = {0, width * ux, height * vx, width * ux + height * vx};
    const double ys[4] = {0, width * uy, height * vy, width * uy + height * vy};
    const double left = *std::min_element(xs, xs + 4);
    const double right = *std::max_element(xs, xs + 4);
    const double top = *std::min_element(ys, ys + 4);
    const double bottom = *std::max_element(ys, ys + 4);
    return {x + static_cast<int>(std::floor(left)), y + static_cast<int>(std::floor(top)),
            static_cast<int>(std::ceil(right - left)) + 1, static_cast<int>(std::ceil(bottom - top)) + 1};
}

// A rectangle command's box: its corners in either order, relative to the
// clip window, cut to the screen.
SceneBox RectBox(const GfxContext& context) {
    int x1 = DlPeekWord(1);
    int y1 = DlPeekWord(3);
    int x2 = DlPeekWord(5);
    int y2 = DlPeekWord(7);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::clamp(x1 + context.clipLeft, 0, int{kScreenWidth});
    x2 = std::clamp(x2 + context.clipLeft, -1, kScreenWidth - 1);
    y1 = std::clamp(y1 + context.clipTop, 0, int{kScreenHeight});
    y2 = std::clamp(y2 + context.clipTop, -1, kScreenHeight - 1);
    return {x1, y1, x2 - x1 + 1, y2 - y1 + 1};
}

// How well an id fits where a text stands, when two texts read alike, from
// 0 to kBestFit: the page's title in the title bar, its label at that place,
// a row of its list.
constexpr int kBestFit = 3;
int Belongs(TextId id, const SceneElement& text) {
    const u8 page = AppState.currentPage;
    if (text.box.y < kContentTop) return PageAt(page).titleText == id ? kBestFit : 0;
    for (const PageLabel& label : PageViewAt(page).labels) {
        if (label.text == id && label.x == text.startX && label.baseLine == text.baseLine) return kBestFit;
    }
    for (const TextId row : PageViewAt(page).rows) {
        if (row == id) return 2;
    }
    return 0;
}

// Which of the panel's texts the bytes are: the current language first, so
// that a word spelt alike in two languages is the panel's own. Texts that
// read alike are all kept; the one the page itself names comes first.
void Identify(SceneElement& text) {
    text.textId = -1;
    text.textIds.clear();
    text.name.clear();
    text.language = Settings.language;
    if (text.bytes.empty()) return;
    for (int pass = 0; pass < 1 + kLanguageCount && text.textIds.empty(); ++pass) {
        const Language language = static_cast<Language>(pass == 0 ? Settings.language : pass - 1);
        if (language >= kLanguageCount || (pass > 0 && language == Settings.language)) continue;
        for (TextId id = 0; id < kTextCount; ++id) {
            if (text.bytes == GetText(id, language)) {
                text.textIds.push_back(id);
                text.language = language;
            }
        }
    }
    if (text.textIds.empty()) return;
    if (text.textIds.size() > 1) {
        // Best fit first; texts that fit alike stay in id order.
        std::vector<int> found;
        found.swap(text.textIds);
        for (int fit = kBestFit; fit >= 0; --fit) {
            for (const int id : found) {
                if (Belongs(id, text) == fit) text.textIds.push_back(id);
            }
        }
    }
    text.textId = text.textIds.front();
    text.name = Txt::kNames[text.textId];
}

// The part of a box on the screen: a text too wide for the screen is hidden
// once its visible part is.
SceneBox OnScreen(const SceneBox& box) {
    const int left = std::max(box.x, 0);
    const int top = std::max(box.y, 0);
    const int right = std::min(box.Right(), int{kScreenWidth});
    const int bottom = std::min(box.Bottom(), int{kScreenHeight});
    return {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
}

bool Covers(const SceneElement& a, const SceneElement& b) { return OnScreen(a.box).Contains(OnScreen(b.box)); }

// What of an element a reader can see: a text's ink, else its box. A text of
// blanks is kept by its box, as before there was ink to look at.
SceneBox Visible(const SceneElement& e) {
    return OnScreen(e.kind == SceneKind::Text && !e.ink.Empty() ? e.ink : e.box);
}

SceneBox Bounds(const SceneBox& a, const SceneBox& b) {
    const int left = std::min(a.x, b.x);
    const int top = std::min(a.y, b.y);
    return {left, top, std::max(a.Right(), b.Right()) - left, std::max(a.Bottom(), b.Bottom()) - top};
}

// Two elements that look the same in the same place.
bool Alike(const SceneElement& a, const SceneElement& b) {
    return a.kind == b.kind && a.box == b.box && a.foreground == b.foreground && a.background == b.background &&
           a.bytes == b.bytes && a.font == b.font && a.angle == b.angle && a.table == b.table && a.index == b.index &&
           a.name == b.name;
}

// Whether the boxes together cover `target`: what is left of it after each
// box is cut away, as at most four pieces per cut.
bool CoveredTogether(const SceneBox& target, const std::vector<SceneBox>& boxes) {
    constexpr std::size_t kMostPieces = 256;  // beyond this, call it uncovered
    std::vector<SceneBox> rest{target};
    std::vector<SceneBox> next;
    for (const SceneBox& cut : boxes) {
        next.clear();
        for (const SceneBox& r : rest) {
            if (!r.Intersects(cut)) {
                next.push_back(r);
                continue;
            }
            const int top = std::max(r.y, cut.y);
            const int bottom = std::min(r.Bottom(), cut.Bottom());
            if (r.y < cut.y) next.push_back({r.x, r.y, r.width, cut.y - r.y});
            if (cut.Bottom() < r.Bottom()) next.push_back({r.x, cut.Bottom(), r.width, r.Bottom() - cut.Bottom()});
            if (r.x < cut.x) next.push_back({r.x, top, cut.x - r.x, bottom - top});
            if (cut.Right() < r.Right()) next.push_back({cut.Right(), top, r.Right() - cut.Right(), bottom - top});
        }
        std::swap(rest, next);
        if (rest.empty()) return true;
        if (rest.size() > kMostPieces) return false;
    }
    return rest.empty();
}

}  // namespace

Scene::Scene() = default;

Scene::~Scene() {
    if (active == this) {
        active = nullptr;
        DlSetObserver(nullptr);
    }
}

void Scene::Activate() {
    active = this;
    DlSetObserver(Observe);
}

bool Scene::Active() const { return active == this; }

void Scene::Clear() {
    if (!elements_.empty()) ++revision_;
    elements_.clear();
    pendingOpcode_ = 0xFF;
}

void Scene::OnInterpreterEvent(std::uint8_t event) {
    const u8 opcode = DlPeekByte(0);
    if (event == kDlPlaced) {
        Placed(opcode);
    } else {
        Completed(opcode);
    }
}

void Scene::Placed(std::uint8_t opcode) {
    const GfxContext& context = CurrentContext();
    SceneElement e;
    e.foreground = context.foreColour;
    e.background = context.backColour;
    e.tick = tick_;
    if (IsTextOpcode(opcode)) {
        e.kind = SceneKind::Text;
        e.bytes = CommandText(opcode);
        e.text = PanelTextToUtf8(e.bytes.c_str());
        e.font = FontSlotOf(GetFont());
        e.startX = context.cursorX;
        e.baseLine = context.cursorY;
        if (opcode == DL_CHAR_ROTATED || opcode == DL_TEXT_ROTATED) e.angle = DlPeekWord(1) % 360;
        const int height = CurrentFontHeight();
        const int width = GlyphsWidth(e.bytes);
        e.box = e.angle == 0 ? SceneBox{e.startX, e.baseLine - height + 1, width, height}
                             : RotatedBox(e.startX, e.baseLine, width, height, e.angle);
        // Turned or inverted glyphs are taken whole.
        e.ink = e.angle == 0 && (context.flags & kContextInverse) == 0 ? InkBox(e.bytes, e.startX, e.baseLine) : e.box;
        e.ink = Intersection(e.ink, ClipBox(context));
        if (e.angle == 0 && (context.flags & kContextTransparent) == 0)
            e.painted = Intersection(e.box, ClipBox(context));
        Identify(e);
    } else if (opcode == DL_IMAGE && Interp.record != nullptr) {
        e.kind = SceneKind::Picture;
        e.table = DlPeekByte(6);
        e.index = DlPeekByte(5);
        e.box = {Interp.image.left + context.clipLeft, Interp.image.top + context.clipTop, GlyphWidth(Interp.record),
                 GlyphHeight(Interp.record)};
        e.name = PictureName(e.table, e.index);
        if ((context.flags & kContextTransparent) == 0) e.painted = Intersection(e.box, ClipBox(context));
    } else if (opcode == DL_IMAGE_BOX) {
        e.kind = SceneKind::Field;
        const FillBand& b = Interp.imageBox;
        e.box = {b.left, b.top, b.right - b.left + 1, b.bottom - b.top + 1};
        e.painted = OnScreen(e.box);
        e.foreground = e.background;
    } else {
        return;
    }
    pending_ = std::move(e);
    pendingOpcode_ = opcode;
}

void Scene::Completed(std::uint8_t opcode) {
    if (opcode == DL_TOUCH_CALIBRATE) {
        Clear();
        return;
    }
    if (opcode == DL_MOVE_TO || opcode == DL_LINE_TO) {
        const GfxContext& context = CurrentContext();
        const int x = DlPeekWord(1) + context.clipLeft;
        const int y = static_cast<u8>(DlPeekWord(3)) + context.clipTop;
        if (opcode == DL_LINE_TO) Line(penX_, penY_, x, y);
        penX_ = x;
        penY_ = y;
        return;
    }
    if (opcode == DL_RECT || opcode == DL_ROUND_RECT) {
        const GfxContext& context = CurrentContext();
        const u8 style = Interp.drawFlags & kDrawStyleMask;
        if (style == 0) return;
        SceneElement e;
        e.kind = (style & kDrawFill) ? SceneKind::Field : SceneKind::Frame;
        e.foreground = e.background = e.kind == SceneKind::Field ? context.backColour : context.foreColour;
        e.tick = tick_;
        e.box = RectBox(context);
        if (e.box.Empty()) return;
        if (e.kind == SceneKind::Field) {
            e.painted = e.box;
            for (const NamedField& named : kNamedFields) {
                if (named.box == e.box) e.name = named.name;
            }
        }
        Add(std::move(e));
        return;
    }
    if (opcode != pendingOpcode_) return;
    pendingOpcode_ = 0xFF;
    if (pending_.kind == SceneKind::Text) {
        const GfxContext& context = CurrentContext();
        pending_.endX = context.cursorX;
        // What it wrote ends where the cursor stopped: a glyph that did not
        // fit was left out, and a text that wrapped is not one box.
        if (context.cursorY != pending_.baseLine || pending_.angle != 0) {
            pending_.painted = {};
        } else if (!pending_.painted.Empty()) {
            pending_.painted.width = std::min(pending_.painted.Right(), pending_.endX) - pending_.painted.x;
            if (pending_.painted.Empty()) pending_.painted = {};
        }
    }
    Add(std::move(pending_));
}

// A line joins the group the lines of this or the last tick began; the first
// line of a new group starts an element of its own.
void Scene::Line(int x1, int y1, int x2, int y2) {
    SceneBox box{std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1};
    const int right = std::min(box.Right(), int{kScreenWidth});
    const int bottom = std::min(box.Bottom(), int{kScreenHeight});
    box.x = std::max(box.x, 0);
    box.y = std::max(box.y, 0);
    box.width = right - box.x;
    box.height = bottom - box.y;
    if (box.Empty()) return;
    if (!elements_.empty() && elements_.back().kind == SceneKind::Lines && elements_.back().tick + 1 >= tick_) {
        SceneElement& group = elements_.back();
        const int r = std::max(group.box.Right(), box.Right());
        const int b = std::max(group.box.Bottom(), box.Bottom());
        group.box.x = std::min(group.box.x, box.x);
        group.box.y = std::min(group.box.y, box.y);
        group.box.width = r - group.box.x;
        group.box.height = b - group.box.y;
        group.tick = tick_;
        if (group.animated) return;
        ++revision_;
        // Grown over an earlier group, it is that group drawn again.
        for (std::size_t i = 0; i + 1 < elements_.size(); ++i) {
            const SceneElement& old = elements_[i];
            if (old.kind != SceneKind::Lines || !old.box.Contains(box) || old.tick + 1 >= tick_) continue;
            elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(i));
            elements_.back().animated = true;
            break;
        }
        return;
    }
    SceneElement e;
    e.kind = SceneKind::Lines;
    e.box = box;
    e.tick = tick_;
    e.foreground = e.background = CurrentContext().foreColour;
    Add(std::move(e));
}

// Whether `added` and the elements drawn after `old` have together written
// every pixel of what is visible of it (fields, and the pictures and texts
// that wrote their background).
bool Scene::DrawnOver(const SceneElement& old, const SceneBox& visible, const SceneElement& added) const {
    if (added.painted.Empty() || !added.painted.Intersects(visible)) return false;
    std::vector<SceneBox> painters{added.painted};
    const SceneElement* const end = elements_.data() + elements_.size();
    for (const SceneElement* later = &old + 1; later < end; ++later) {
        if (later->painted.Intersects(visible)) painters.push_back(later->painted);
    }
    return painters.size() > 1 && CoveredTogether(visible, painters);
}

bool Scene::Continues(const SceneElement& text) const {
    if (elements_.empty() || text.angle != 0) return false;
    const SceneElement& last = elements_.back();
    return last.kind == SceneKind::Text && last.angle == 0 && last.baseLine == text.baseLine &&
           last.endX == text.startX && last.font == text.font && last.foreground == text.foreground &&
           last.background == text.background;
}

void Scene::Add(SceneElement element) {
    element.serial = ++serial_;
    const bool text = element.kind == SceneKind::Text;
    const bool continues = text && Continues(element);
    if (addedHook_) {
        // Texts that touch another element without standing on it, being
        // wiped by it or being written anew in its place.
        std::vector<SceneOverlap> overlaps;
        for (std::size_t i = 0; i < elements_.size(); ++i) {
            const SceneElement& old = elements_[i];
            if (continues && i + 1 == elements_.size()) continue;
            if (!old.box.Intersects(element.box)) continue;
            if (text && old.kind == SceneKind::Text) {
                if (old.startX == element.startX && old.baseLine == element.baseLine) continue;
                overlaps.push_back({&element, &old});
                overlaps.push_back({&old, &element});
            } else if (text) {
                if (!Covers(old, element)) overlaps.push_back({&element, &old});
            } else if (old.kind == SceneKind::Text && !Covers(element, old)) {
                overlaps.push_back({&old, &element});
            }
        }
        addedHook_(element, overlaps);
    }
    // What the new element hides leaves the scene: what it covers alone, or
    // what it and the elements drawn since cover together.
    const auto hidden = [&](const SceneElement& old) {
        if (!old.box.Intersects(element.box)) return false;
        if (old.kind == SceneKind::Text && text) {
            if (old.startX == element.startX && old.baseLine == element.baseLine) return true;
        } else if (text) {
            return false;
        } else if (element.kind == SceneKind::Frame) {
            return old.kind == SceneKind::Frame && old.box == element.box;
        }
        const SceneBox visible = Visible(old);
        if (OnScreen(element.box).Contains(visible)) return true;
        return old.kind == SceneKind::Text && DrawnOver(old, visible, element);
    };
    if (continues) {
        SceneElement& last = elements_.back();
        last.bytes += element.bytes;
        last.text = PanelTextToUtf8(last.bytes.c_str());
        const int right = std::max(last.box.Right(), element.box.Right());
        last.box.y = std::min(last.box.y, element.box.y);
        last.box.height = std::max(last.box.height, element.box.height);
        last.box.width = right - last.box.x;
        last.endX = element.endX;
        last.tick = element.tick;
        last.ink = last.ink.Empty() ? element.ink : element.ink.Empty() ? last.ink : Bounds(last.ink, element.ink);
        last.painted =
            !last.painted.Empty() && !element.painted.Empty() ? Bounds(last.painted, element.painted) : SceneBox{};
        Identify(last);
        const SceneElement merged = last;
        elements_.pop_back();
        const std::size_t before = elements_.size();
        std::erase_if(elements_, [&](const SceneElement& old) {
            return old.kind == SceneKind::Text && old.startX == element.startX && old.baseLine == element.baseLine;
        });
        if (elements_.size() != before) ++revision_;
        elements_.push_back(merged);
        ++revision_;
        return;
    }
    // A picture in the box of the one it hides, or lines within an earlier
    // group's box, draw the next frame of an animation.
    const bool framed = element.kind == SceneKind::Picture || element.kind == SceneKind::Lines;
    for (const SceneElement& old : elements_) {
        if (!framed || old.kind != element.kind) continue;
        const bool same = element.kind == SceneKind::Picture
                              ? old.box == element.box
                              : old.box.Contains(element.box) && old.tick + 1 < element.tick;
        if (same) element.animated = true;
    }
    // An element drawn again as it was, over itself, changes nothing a
    // reader sees (the start page clears the gaps at the switching valve
    // with each step of the pipes).
    bool again = false;
    bool changed = false;
    std::erase_if(elements_, [&](const SceneElement& old) {
        const bool redrawn = element.animated && old.kind == element.kind && old.box.Contains(element.box);
        if (!redrawn && !hidden(old)) return false;
        if (!again && !old.animated && !element.animated && Alike(old, element)) {
            again = true;
        } else {
            changed = changed || !old.animated;
        }
        return true;
    });
    if (changed || (!element.animated && !again)) ++revision_;
    elements_.push_back(std::move(element));
}

std::vector<SceneLine> Scene::Lines() const {
    std::vector<const SceneElement*> texts;
    for (const SceneElement& e : elements_) {
        if (e.kind == SceneKind::Text && e.angle == 0 && !e.bytes.empty()) texts.push_back(&e);
    }
    // Both orders are plain functions of one type: one sort in the program, not two.
    using Order = bool (*)(const SceneElement*, const SceneElement*);
    const Order byBaseLine = [](const SceneElement* a, const SceneElement* b) { return a->baseLine < b->baseLine; };
    const Order leftToRight = [](const SceneElement* a, const SceneElement* b) { return a->box.x < b->box.x; };
    std::stable_sort(texts.begin(), texts.end(), byBaseLine);
    std::vector<SceneLine> lines;
    for (std::size_t first = 0, end = 0; first < texts.size(); first = end) {
        // One row: the texts whose base lines lie within the slack of its first, left to right.
        end = first + 1;
        while (end < texts.size() && texts[end]->baseLine - texts[first]->baseLine <= kBaseLineSlack) ++end;
        std::stable_sort(texts.begin() + static_cast<std::ptrdiff_t>(first),
                         texts.begin() + static_cast<std::ptrdiff_t>(end), leftToRight);
        const std::size_t rowStart = lines.size();
        for (std::size_t i = first; i < end; ++i) {
            const SceneElement* e = texts[i];
            if (lines.size() > rowStart) {
                SceneLine& line = lines.back();
                const int gap = e->box.x - line.box.Right();
                if (gap >= 0 && gap <= kJoinGap) {
                    line.text += (gap >= kBlankGap ? " " : "") + e->text;
                    const int bottom = std::max(line.box.Bottom(), e->box.Bottom());
                    line.box.y = std::min(line.box.y, e->box.y);
                    line.box.height = bottom - line.box.y;
                    line.box.width = e->box.Right() - line.box.x;
                    line.pieces.push_back(e);
                    continue;
                }
            }
            lines.push_back({e->text, e->box, {e}});
        }
    }
    return lines;
}

std::vector<SceneBox> Scene::AnimatedBoxes() const {
    std::vector<SceneBox> boxes;
    for (const SceneElement& e : elements_) {
        if (e.animated) boxes.push_back(e.box);
    }
    return boxes;
}

std::vector<const SceneElement*> Scene::Named(std::string_view name) const {
    const std::string_view wanted = CanonicalSceneName(name);
    std::vector<const SceneElement*> found;
    for (const SceneElement& e : elements_) {
        if (!e.name.empty() && e.name == wanted) found.push_back(&e);
    }
    return found;
}

std::string Scene::Json() const {
    static const char* const kKinds[] = {"text", "picture", "field", "frame", "lines"};
    std::string out = "[";
    for (const SceneElement& e : elements_) {
        nlohmann::ordered_json j;
        j["kind"] = kKinds[static_cast<int>(e.kind)];
        if (e.kind == SceneKind::Text) {
            j["text"] = e.text;
            if (!e.name.empty()) j["name"] = e.name;
            if (e.textId >= 0) j["id"] = e.textId;
            j["language"] =
                e.language >= 0 && e.language < kLanguageCount ? LanguageCode(static_cast<Language>(e.language)) : "";
            j["font"] = e.font;
            j["baseline"] = e.baseLine;
            if (e.angle != 0) j["angle"] = e.angle;
        } else if (e.kind == SceneKind::Picture) {
            if (!e.name.empty()) j["name"] = e.name;
            j["table"] = e.table;
            j["index"] = e.index;
        } else if (!e.name.empty()) {
            j["name"] = e.name;
        }
        j["x"] = e.box.x;
        j["y"] = e.box.y;
        j["width"] = e.box.width;
        j["height"] = e.box.height;
        if (e.kind == SceneKind::Text || e.kind == SceneKind::Picture) {
            j["foreground"] = HexColour(e.foreground);
            j["background"] = HexColour(e.background);
        } else {
            j["colour"] = HexColour(e.background);
        }
        if (e.animated) j["animated"] = true;
        j["tick"] = e.tick;
        out += (out.size() > 1 ? ",\n" : "\n") + j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    return out + "\n]";
}

std::string PictureName(int table, int index) {
    const auto& names = PictureNames();
    if (table < 0 || index < 0 || static_cast<std::size_t>(table) >= names.size()) return {};
    const auto& row = names[static_cast<std::size_t>(table)];
    return static_cast<std::size_t>(index) < row.size() ? row[static_cast<std::size_t>(index)] : std::string();
}

const std::vector<std::string>& SceneNames() {
    static const std::vector<std::string> kAll = [] {
        std::vector<std::string> all;
        for (const auto& row : PictureNames()) {
            for (const std::string& name : row) {
                if (std::find(all.begin(), all.end(), name) == all.end()) all.push_back(name);
            }
        }
        for (const NamedField& field : kNamedFields) all.emplace_back(field.name);
        return all;
    }();
    return kAll;
}

std::string_view CanonicalSceneName(std::string_view word) {
    for (const auto& [alias, name] : kSynonyms) {
        if (word == alias) return name;
    }
    return word;
}

bool SameText(std::string_view a, std::string_view b) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (true) {
        while (i < a.size() && blank(a[i])) ++i;
        while (j < b.size() && blank(b[j])) ++j;
        if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
        if (a[i++] != b[j++]) return false;
    }
}

std::string HexColour(std::uint16_t rgb565) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", Rgb565ToRgb888(rgb565));
    return text;
}
