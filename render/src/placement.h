// Where an object's own frame lands in the scene: scaled, turned about x,
// then y, then z (right-handed, in degrees), then moved, the order in which
// the core places a rebuilt primitive's mesh and the exported attributes
// place the renderer's object.
#pragma once

#include "kx/types.h"
#include "vec3.h"

namespace kxr {

class Placement {
public:
    explicit Placement(const CadObject& object);

    Vec3 point(Vec3 local) const { return turn(Vec3{local.x * scale_.x, local.y * scale_.y, local.z * scale_.z}) + move_; }
    // A normal goes through the inverse scale, then the turn; its length is kept loose.
    Vec3 normal(Vec3 local) const {
        return turn(Vec3{scale_.x != 0 ? local.x / scale_.x : 0, scale_.y != 0 ? local.y / scale_.y : 0,
                         scale_.z != 0 ? local.z / scale_.z : 0});
    }
    // The object's own frame's point at a scene point: moved back, turned
    // back, then unscaled (usable() placements only).
    Vec3 local(Vec3 world) const {
        const Vec3 d = world - move_;
        const Vec3 back{m_[0][0] * d.x + m_[1][0] * d.y + m_[2][0] * d.z, m_[0][1] * d.x + m_[1][1] * d.y + m_[2][1] * d.z,
                        m_[0][2] * d.x + m_[1][2] * d.y + m_[2][2] * d.z};
        return {back.x / scale_.x, back.y / scale_.y, back.z / scale_.z};
    }
    // The largest stretch any local length undergoes.
    double largestScale() const;
    // False for a scale that flattens the object or a field that is not a number.
    bool usable() const { return usable_; }

private:
    Vec3 turn(Vec3 v) const {
        return {m_[0][0] * v.x + m_[0][1] * v.y + m_[0][2] * v.z, m_[1][0] * v.x + m_[1][1] * v.y + m_[1][2] * v.z,
                m_[2][0] * v.x + m_[2][1] * v.y + m_[2][2] * v.z};
    }

    Vec3 scale_, move_;
    double m_[3][3];
    bool usable_ = false;
};

}  // namespace kxr
