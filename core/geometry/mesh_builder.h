// What the primitive generators share: a list builder that appends facets and
// counts them, the whole step count of the subdivision setting, and the
// switch that keeps stored positions unsnapped while a file is read.
#pragma once

#include <cstdint>

#include "core_state.h"

namespace kx::geometry {

// Fewest and most whole steps a generator uses: below 2 the sphere's facet
// pattern has no band to stand on, above 256 a mesh only costs memory.
inline constexpr unsigned kMinSteps = 2;
inline constexpr unsigned kMaxSteps = 256;

// trunc(6 / factor) within kMinSteps..kMaxSteps; 6 when it is not a number.
unsigned stepCount();

// The vertex a generator stores: computed in double, narrowed once.
inline Point3d vertex(double x, double y, double z) {
    return Point3d{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// Appends nodes to a new point list. After a node could not be made (the list
// code has reported it) further nodes are dropped, so one failure gives one
// message; the mesh keeps the nodes it has. The list is freed unless handed
// to an object.
class MeshBuilder {
public:
    MeshBuilder() = default;
    MeshBuilder(const MeshBuilder&) = delete;
    MeshBuilder& operator=(const MeshBuilder&) = delete;
    ~MeshBuilder() { ClearEntry(head_); }

    void add(unsigned n, const Point3d* pts) {
        if (failed_) return;
        ListEntry* node = AddEntry(n, tail_, pts);
        if (!node) {
            failed_ = true;
            return;
        }
        if (!head_) head_ = node;
        tail_ = node;
        ++count_;
    }
    void facet(const Point3d& a, const Point3d& b, const Point3d& c) {
        const Point3d t[3] = {a, b, c};
        add(3, t);
    }
    void segment(const Point3d& a, const Point3d& b) {
        const Point3d s[2] = {a, b};
        add(2, s);
    }

    unsigned count() const { return count_; }
    ListEntry* head() const { return head_; }

    // Replaces obj's point list by the built one and sets its node count.
    void storeInto(CadObject* obj) {
        ClearEntry(obj->points);
        obj->points = head_;
        obj->count = count_;
        obj->boundValid = 0;
        head_ = tail_ = nullptr;
        count_ = 0;
    }

private:
    ListEntry* head_ = nullptr;
    ListEntry* tail_ = nullptr;
    unsigned count_ = 0;
    bool failed_ = false;
};

// Keeps SnapCadObject from moving anything while it lives; the scene readers
// hold one so that positions read from a file stay as they were written.
class SnapSuspension {
public:
    SnapSuspension() { ++core().geometry.snapSuspended; }
    ~SnapSuspension() { --core().geometry.snapSuspended; }
    SnapSuspension(const SnapSuspension&) = delete;
    SnapSuspension& operator=(const SnapSuspension&) = delete;
};

// The light's wireframe aimed at target (relative to the light), which need
// not be the object's stored extraPoint.
int buildLight(CadObject* obj, const Point3d& target);

}  // namespace kx::geometry
