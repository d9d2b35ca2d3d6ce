// Constructive solid geometry in the scene: a group's operation on its
// members, groups made from the selection with an operation, and the view of
// a selection that counts a group once instead of with every member.
#pragma once

#include <cstdint>
#include <vector>

#include "document/edit_history.h"
#include "kxcore.h"

namespace kx::app {

// A group's operation as the scene file stores it and the renderer's export
// reads it (the x of the group object's extra point).
enum class CsgOperation : unsigned {
    Union = KX_CSG_UNION,
    Merge = KX_CSG_MERGE,
    Intersection = KX_CSG_INTERSECTION,
    Difference = KX_CSG_DIFFERENCE
};

struct CsgOperationName {
    CsgOperation operation;
    const char* label;    // as menus and the properties panel show it
    const char* keyword;  // the renderer's word
};
inline constexpr CsgOperationName kCsgOperations[] = {
    {CsgOperation::Union, "Union", KX_CSG_KEYWORDS[KX_CSG_UNION]},
    {CsgOperation::Difference, "Difference", KX_CSG_KEYWORDS[KX_CSG_DIFFERENCE]},
    {CsgOperation::Intersection, "Intersection", KX_CSG_KEYWORDS[KX_CSG_INTERSECTION]},
    {CsgOperation::Merge, "Merge", KX_CSG_KEYWORDS[KX_CSG_MERGE]},
};

// The operation a group object holds; Union for anything else, as the export
// writes a union for every value it does not know.
CsgOperation csgOperationOf(const CadObject* group);
// The table's entry for an operation.
const CsgOperationName& csgOperationName(CsgOperation operation);

// Gives group objects an operation, touching none of their members. One step
// "Set CSG Operation"; false when none is a group without it already.
bool setGroupOperation(EditHistory& history, const std::vector<CadObject*>& groups, CsgOperation operation);

// Groups the selection (lights and the camera stay out) as one operation,
// the first object selected as the base: it is made the group's first
// member, which is what the base of a difference is. One step named by the
// operation ("Difference"). The new group is selected with its members.
// False when fewer than one object can be grouped.
bool groupSelectionAs(EditHistory& history, CsgOperation operation);

// Makes a group of the selected objects with an operation, inside an edit
// already recording: the group is selected with its members afterwards.
// Null when no group could be made.
CadObject* groupSelected(CsgOperation operation);

// The selected objects that are not inside another selected object: a group
// picked with its members counts once. In list order.
std::vector<CadObject*> outermostSelected();
// The outermost group an object belongs to; the object itself when it is in none.
CadObject* outermostGroupOf(CadObject* obj);
// Selects an object with every member of it, nested groups' members too.
void selectWhole(CadObject* obj);

}  // namespace kx::app
