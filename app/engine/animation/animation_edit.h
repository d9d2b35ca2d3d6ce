// The window's animation commands as plain operations on the core's one
// animation, so that the toolbox, the dialogs and the tests share them. Each
// command the user gives is one undo step of the scene model's history,
// which keeps the animation beside the objects.
#pragma once

#include <string>

namespace kx::app {

// Proposed by the setup dialog for a new animation.
inline constexpr const char* kDefaultAnimationName = "Movie1";
inline constexpr unsigned kDefaultAnimationFrames = 100;
// Frames a second of Play when the settings hold none, and its limits.
inline constexpr int kDefaultPlayRate = 25;
inline constexpr int kMinPlayRate = 1;
inline constexpr int kMaxPlayRate = 100;

struct AnimationSetup {
    std::string name;
    unsigned frames = kDefaultAnimationFrames;
    bool copyForward = true;
    std::string dir;  // output folder of the frames, from the scene's folder
};

// The setup as it stands now (the proposals when there is no animation).
AnimationSetup currentAnimationSetup();

// Why a setup is refused ("No frames in animation", "Untitled animation"),
// or empty when it is acceptable.
std::string checkAnimationSetup(const AnimationSetup& setup);

// True when applying would throw away the key frames (an animation exists
// and the frame count changes): the caller asks first.
bool setupDiscardsFrames(const AnimationSetup& setup);

// Creates the animation, or renames it and sets its folder and copy switch;
// a new frame count makes the frames again and keeps name, folder and copy
// switch. False when refused or when the frames cannot be had.
bool applyAnimationSetup(const AnimationSetup& setup);

// Shows frame f in every view; false for a frame outside the animation. No
// undo step: for the frames a render or an export moves through.
bool showAnimationFrame(unsigned f);
// The same as the user's frame change: an undo step "Show Frame", one for
// frame after frame until something else is done.
bool goToAnimationFrame(unsigned f);

// Adds every selected object (a Points object lays a motion path) or takes
// it out; the number of objects the core accepted.
int addSelectedToAnimation();
int removeSelectedFromAnimation();
// Stores the objects as they are into the current frame (a key frame).
bool storeAnimationFrame();
// Key or hide flag of the current frame for the selected animated objects.
bool setAnimationKey(bool key);
bool setAnimationHidden(bool hidden);

// Fills the frames between `from` and `to` (counted from 1 as the dialog
// shows them) of the selected animated objects, or of all with allObjects,
// after storing the current frame. The number of objects filled; 0 when
// from >= to or either is outside the animation.
int tweenAnimation(unsigned from, unsigned to, bool allObjects);

// The frame Play shows after `frame`: the next one, the first after the last.
unsigned nextPlayFrame(unsigned frame, unsigned maxFrames);
// A stored play rate within its limits.
int clampPlayRate(int rate);

// Whether any of the selected objects is animated: their edits must be
// stored before the frame changes.
bool selectionIsAnimated();

}  // namespace kx::app
