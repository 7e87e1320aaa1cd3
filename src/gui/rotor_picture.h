#pragma once
// The machine and rotor picture under the plane columns of the per-plane
// screens, and the channel marks of the supports that the operator drags to
// assign the measuring channels.
//
// A screen keeps one `PlaneView` in its data: `rotorPictureScale` lays it out
// for the window each frame, `collectPlaneMarks` rebuilds its channel marks
// from the rotor's planes, and the drawing functions draw at its place.
// Positions are window-local (as ImGui::SetCursorPos takes them), so the
// picture scrolls with the screen's window.
//
// Plane columns are 248 px wide, one per plane; a column's pictures and marks
// are placed from the column origin, 16 px inside the first column's left
// edge.  Marks: the first channel of a plane with both channels at the
// origin of its column, the second 64 px further (a lone plane's two marks
// 83 and 211 px in); a first channel alone at the origin, a second alone
// 184 px in.
//
// Shaft segments.  Each column draws the segment picture of its situation
// (see `segmentCode`); the codes and their pictures are one table.

#include <cstdint>
#include <vector>

#include <imgui.h>

class Rotor;
struct Config;

constexpr float kPlaneColumnWidth = 248;

// The settings' "Machine interface type": any value but Horizontal and
// Vertical is laid out as Console.
enum class MachineLayout { Horizontal, Vertical, Console };
MachineLayout machineLayout(const Config& config);
// The layout of the rotor's settings.
MachineLayout machineLayout(const Rotor& rotor);

// One channel mark of the supports: 16 bytes.
struct PlaneMark {
    int channel = 0;          // the measuring channel, from 1
    float x = 0;              // centre, window-local
    bool firstPlane = false;  // the mark belongs to the rotor's first plane
    int kind = 0;             // 1 left support, 2 right support (a lone plane's both)
};
static_assert(sizeof(PlaneMark) == 16, "a channel mark is 16 bytes");

enum PlaneMarkKind : int { kLeftSupport = 1, kRightSupport = 2 };

// The plane-view block of a screen's data.
struct PlaneView {
    Rotor* rotor = nullptr;
    float left = 0;           // left edge of the first plane column
    float origin = 0;         // column origin: floor(left + 16)
    float lowerHeight = 0;    // the band under the picture
    float pictureHeight = 0;  // the picture band
    float topMargin = 0;
    float top = 0;            // the picture's top, set by the screen
    std::vector<PlaneMark> marks;
    bool controlRotor = false;  // as the marks were collected
};

// Lays the picture out for a window of `width` x `height`: heights by the
// window and the machine interface type, and the columns' left edge.  With
// `columns` 0 the rotor's planes are the columns, centred when they fit with
// 30 px to spare, else starting at `left`; with `columns` given they are
// centred and moved by `left` when they fit inside `left` on both sides.
void rotorPictureScale(PlaneView& view, int columns, float width, float height, float left);

// Rebuilds the channel marks from the rotor's planes.
void collectPlaneMarks(PlaneView& view);

// ---- shaft segments ----------------------------------------------------------

constexpr int kNoSegment = -1;
// The segment code of plane column `column` of a rotor drawn with
// `planeCount` planes, by the column's place (only, first, middle, last), the
// drive, more than two planes, a control rotor, a plane without a measuring
// channel and the machine interface type; kNoSegment when no picture stands
// there.
int segmentCode(const PlaneView& view, int column, int planeCount);
// The image key of a segment code; 0 for a code without a picture.
std::uint32_t segmentImage(int code);

// The badge over the machine picture: none, "IN TOLERANCE" in green,
// "Balancing required" in red for a control rotor's run that missed its
// verification step, or how a control rotor's test stands (complete, or its
// record left for a newer one).
enum class MachineBadge { kNone, kInTolerance, kBalancingRequired, kTestComplete, kTestContinued, kTestBegunAgain };

// The machine picture of the interface type with the rotor's shaft segments
// and its badge over it.
void drawMachinePicture(const PlaneView& view, int planeCount, MachineBadge badge);

// ---- channel marks ----------------------------------------------------------

// The channel mark's row: its top below the picture's top, the mark's size.
constexpr float kSensorDrop = 212;
constexpr float kSensorSize = 44;

// Drag distances past which a mark changes its place.
constexpr float kSlotStep = 64;    // a left support's mark: the neighbouring slot
constexpr float kPlaneStep = 184;  // a right support's mark: the neighbouring plane

// The drag-and-drop payload of a channel mark: its index in the marks (4 bytes).
constexpr const char* kChannelMarkPayload = "DND_DEMO_NAME";

// Mark `mark` of the view as the item "#support": the sensor image with the
// channel number; unless `locked`, it can be dragged along the row (drawn
// under the finger meanwhile).
void channelDragList(PlaneView& view, int mark, bool locked);
// The row of marks as the drop target of the dragged marks: a dropped mark
// changes its channel's place by the distance it was dragged.  Only a payload
// of the marks' type, 4 bytes long, with an index inside the marks is taken.
// True when the rotor changed.
bool channelDropTarget(PlaneView& view);
// Moves the channel of `mark` as a drag of `offset` px asks: a left support's
// mark further than 64 px to the neighbouring slot (the same plane's second
// to the right, the plane before's second to the left), a right support's
// further than 184 px to the same slot of the neighbouring plane.  A channel
// at the new place takes the old place; an empty one leaves it 0.  True when
// the rotor changed.
bool moveChannelMark(Rotor& rotor, const PlaneMark& mark, float offset);

namespace BalancingData {
// The sensor marks with their channel numbers, as the Balancing screen shows
// them under the picture (collects the marks first).
void rotorPicture(PlaneView& view);
}  // namespace BalancingData
