// Building a new point list node by node: what the primitive generators and
// the point and facet file readers share.
#pragma once

#include "kxcore.h"

namespace kx::geometry {

// Appends nodes to a new point list. After a node could not be made (the list
// code has reported it) further nodes are dropped, so one failure gives one
// message; the mesh keeps the nodes it has. The list is freed unless handed
// to an object.
class PointListBuilder {
public:
    PointListBuilder() = default;
    PointListBuilder(const PointListBuilder&) = delete;
    PointListBuilder& operator=(const PointListBuilder&) = delete;
    ~PointListBuilder() { ClearEntry(head_); }

    // False once a node could not be made.
    bool add(unsigned n, const Point3d* pts) {
        if (failed_) return false;
        ListEntry* node = AddEntry(n, tail_, pts);
        if (!node) {
            failed_ = true;
            return false;
        }
        if (!head_) head_ = node;
        tail_ = node;
        ++count_;
        return true;
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

    // Hands the built list to a new object of the type named name (an object
    // the list could not be handed to frees it); the builder starts again empty.
    void makeObject(const char* name, unsigned type) {
        if (AddObject(name, head_, count_, type)) head_ = nullptr;
        ClearEntry(head_);
        head_ = tail_ = nullptr;
        count_ = 0;
        failed_ = false;
    }

    // Replaces obj's point list (and the triangles made from it) by the
    // built one, which the object now owns.
    void storeInto(CadObject* obj) {
        SetObjectPoints(obj, head_);
        head_ = tail_ = nullptr;
        count_ = 0;
    }

private:
    ListEntry* head_ = nullptr;
    ListEntry* tail_ = nullptr;
    unsigned count_ = 0;
    bool failed_ = false;
};

}  // namespace kx::geometry
