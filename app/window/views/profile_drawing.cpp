#include "views/profile_drawing.h"

#include "document/kalvex_doc.h"
#include "views/mouse_state.h"

namespace kx::app {

namespace {

// Spline points between two placed ones: enough for a smooth outline and lathe.
constexpr unsigned kSplineStepsPerSpan = 8;

std::string stepOf(const MouseEditor& m) { return profileStepName(m.profileKind); }

void endDrawing(CKalvexDoc* doc) {
    MouseEditor& m = doc->mouseEditor();
    m.state = kMouseSelect;
    m.profile = nullptr;
    doc->history().seal();
    doc->selectionChanged();
}

}  // namespace

void startProfile(CKalvexDoc* doc, ProfileKind kind) {
    MouseEditor& m = doc->mouseEditor();
    if (m.state == kMouseProfile) finishProfile(doc);
    doc->history().seal();
    static unsigned drawings = 0;
    m.editPoints = false;
    m.state = kMouseProfile;
    m.profileKind = kind;
    m.profile = nullptr;
    m.profileKey = "profile " + std::to_string(++drawings);
}

CadObject* profileBeingDrawn(CKalvexDoc* doc) {
    MouseEditor& m = doc->mouseEditor();
    if (m.state != kMouseProfile || !m.profile) return nullptr;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o == m.profile && o->type == KX_POINTS) return o;
    m.profile = nullptr;
    return nullptr;
}

bool addProfilePointAt(CKalvexDoc* doc, const Point3d& at) {
    MouseEditor& m = doc->mouseEditor();
    if (m.state != kMouseProfile) return false;
    m.profile = profileBeingDrawn(doc);
    addProfilePoint(doc->history(), m.profile, at, stepOf(m), m.profileKey);
    if (m.profileKind == ProfileKind::Line && profilePoints(m.profile).size() >= 2) {
        finishProfile(doc);
        return false;
    }
    return true;
}

void takeBackProfilePoint(CKalvexDoc* doc) {
    MouseEditor& m = doc->mouseEditor();
    m.profile = profileBeingDrawn(doc);
    if (m.profile) removeLastProfilePoint(doc->history(), m.profile, stepOf(m), m.profileKey);
}

void finishProfile(CKalvexDoc* doc) {
    MouseEditor& m = doc->mouseEditor();
    CadObject* profile = profileBeingDrawn(doc);
    if (profile && profilePoints(profile).size() < 2) {
        cancelProfile(doc);
        return;
    }
    if (profile && m.profileKind == ProfileKind::Spline)
        smoothProfile(doc->history(), profile, kSplineStepsPerSpan, stepOf(m), m.profileKey);
    endDrawing(doc);
}

void cancelProfile(CKalvexDoc* doc) {
    MouseEditor& m = doc->mouseEditor();
    // The drawing is the newest step while it goes on: taking it back leaves the scene as it was.
    if (profileBeingDrawn(doc) && doc->history().undoName() == stepOf(m)) doc->undo();
    endDrawing(doc);
}

}  // namespace kx::app
