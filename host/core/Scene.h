// The scene: what the screen shows now, as the panel's own drawing made it.
//
// While the interpreter draws, the scene keeps one element per text, picture,
// filled field, outlined frame and group of lines that is on the screen, in
// drawing order, each with its box. It learns of them from the interpreter's read-only
// observer, so it sees exactly what the pages draw and nothing that a tool
// guessed. An element leaves the scene when its pixels are all drawn over,
// by one element or by several together, or a text is written anew where it
// starts; what is only partly covered stays, as a reader would still make it
// out. A text's pixels here are its glyphs' ink: the blank rows at the top
// of a font's cell, or a leading blank, hold nothing to read. An element
// drawn again as it was, over itself, is no change. A picture or a group of
// lines drawn again in the same place is an animation (the pump wheel, the
// flowing pipes): its frames do not count as changes of the scene.
//
// The window, the runner, the gallery and the web page share it through
// PanelHost, which keeps one scene and makes it the active one when it starts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Lines: the lines one refresh draws in a row (a chart's curve, the start
// page's pipes), as one element with their common box.
enum class SceneKind : std::uint8_t { Text, Picture, Field, Frame, Lines };

// A screen rectangle: left and top column/row, width and height in pixels.
struct SceneBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int Right() const { return x + width; }  // first column after the box
    int Bottom() const { return y + height; }
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const SceneBox&) const = default;
    bool Intersects(const SceneBox& o) const {
        return !Empty() && !o.Empty() && x < o.Right() && o.x < Right() && y < o.Bottom() && o.y < Bottom();
    }
    bool Contains(const SceneBox& o) const {
        return x <= o.x && y <= o.y && o.Right() <= Right() && o.Bottom() <= Bottom();
    }
    bool Contains(int px, int py) const { return px >= x && px < Right() && py >= y && py < Bottom(); }
    int CentreX() const { return x + width / 2; }
    int CentreY() const { return y + height / 2; }
};

struct SceneElement {
    SceneKind kind = SceneKind::Field;
    SceneBox box;                  // a text's box is its whole width, as if nothing cut it
    std::uint64_t serial = 0;      // drawing order
    std::int32_t tick = 0;         // the host tick that drew it
    std::uint16_t foreground = 0;  // Rgb565; a field's or frame's colour is its own
    std::uint16_t background = 0;
    std::string name;  // a text's name (WarmWaterSetValue), a picture's (menu) or a field's (lamp)

    // Texts.
    std::string bytes;         // the panel's bytes
    std::string text;          // the same in UTF-8
    int font = -1;             // font slot, -1 for a font in no slot
    int language = -1;         // the language of the text, or of the panel when it is no text of the table
    int textId = -1;           // one of the panel's texts, or -1
    std::vector<int> textIds;  // all the texts it reads as, textId first
    int startX = 0;            // the left end of the base line
    int baseLine = 0;          // the row of the glyphs' last line
    int endX = 0;              // where the cursor stood after the last glyph
    int angle = 0;             // rotated texts, degrees counter-clockwise
    SceneBox ink;              // the box of the glyphs' set pixels; empty for blanks only

    // What the element wrote whole (its box within the clip window), so that
    // later elements can be seen to have drawn over an earlier one together;
    // empty for outlines, lines and texts or pictures drawn without their
    // background.
    SceneBox painted;

    // Pictures.
    int table = -1;  // image slot
    int index = -1;
    // Pictures and lines drawn again where they were: a frame of an animation.
    bool animated = false;
};

// A line of text as a reader sees it: texts on one base line (give or take
// two pixels) that follow each other closely (a value and its unit) read as one.
struct SceneLine {
    std::string text;  // UTF-8, the pieces joined with a blank where a gap is
    SceneBox box;
    std::vector<const SceneElement*> pieces;
};

// What a new element did to the ones before it, for the fit check.
struct SceneOverlap {
    const SceneElement* text;   // a text that touches...
    const SceneElement* other;  // ...this element without either covering the other
};

class Scene {
public:
    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Makes this the scene the interpreter reports to (the firmware is one per
    // process, so only one scene is active). A scene stops being active when
    // it is destroyed or another is activated.
    void Activate();
    bool Active() const;

    void Clear();
    void SetTick(std::int32_t tick) { tick_ = tick; }

    const std::vector<SceneElement>& Elements() const { return elements_; }
    // Changes whenever an element that is not animated comes or goes.
    // Animations change only pixels within their own boxes.
    std::uint64_t Revision() const { return revision_; }

    // Texts on one base line within a few pixels of each other, joined.
    std::vector<SceneLine> Lines() const;

    // The boxes of the animations on the screen now.
    std::vector<SceneBox> AnimatedBoxes() const;

    // Elements called `name`, in drawing order.
    std::vector<const SceneElement*> Named(std::string_view name) const;

    // The whole scene as JSON: an array with one object per element, in
    // drawing order, one element per line.
    std::string Json() const;

    // Called before a new element is added, with the elements it touches: for
    // the fit check. The references are valid only during the call.
    using AddedHook = std::function<void(const SceneElement& added, const std::vector<SceneOverlap>& overlaps)>;
    void SetAddedHook(AddedHook hook) { addedHook_ = std::move(hook); }

    // Called by the interpreter's observer.
    void OnInterpreterEvent(std::uint8_t event);

private:
    void Add(SceneElement element);
    void Placed(std::uint8_t opcode);
    void Completed(std::uint8_t opcode);
    bool Continues(const SceneElement& text) const;
    bool DrawnOver(const SceneElement& old, const SceneBox& visible, const SceneElement& added) const;
    void Line(int x1, int y1, int x2, int y2);

    std::vector<SceneElement> elements_;
    SceneElement pending_;
    std::uint8_t pendingOpcode_ = 0xFF;
    std::uint64_t serial_ = 0;
    std::uint64_t revision_ = 0;
    std::int32_t tick_ = 0;
    int penX_ = 0;  // where the next line starts
    int penY_ = 0;
    AddedHook addedHook_;
};

// Names of the pictures, by image table and index ("menu", "plus", "sun"),
// and of the named fields ("lamp"); empty for a picture without one.
std::string PictureName(int table, int index);
// Every name a picture or field can have on some page, for checking scripts.
const std::vector<std::string>& SceneNames();
// The same name for the words that mean it ("edit" for "pencil"), else the word.
std::string_view CanonicalSceneName(std::string_view word);

// Text compared as a reader compares it: blanks do not count.
bool SameText(std::string_view a, std::string_view b);

// "#RRGGBB" of an Rgb565 colour.
std::string HexColour(std::uint16_t rgb565);
