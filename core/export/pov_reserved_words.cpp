// The words POV-Ray 3.7 reserves for itself. A name the scene uses as an
// identifier (an imported material's colour name, say) that is one of them
// cannot be declared or referred to: the renderer stops at it. The list was
// taken by asking the renderer itself which names a #declare refuses.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "export/export_internal.h"

namespace kx::exporter {
namespace {

// In byte order, for the binary search. A plain array: deducing a
// std::array of this many elements is beyond some compilers' limits.
constexpr const char* kReservedWords[] = {
    "aa_level", "aa_threshold", "absorption", "accuracy", "acos", "acosh", "adaptive", "adc_bailout",
    "agate_turb", "albedo", "all_intersections", "altitude", "always_sample", "ambient", "ambient_light",
    "anisotropy", "aoi", "aperture", "arc_angle", "area_illumination", "area_light", "asc", "ascii", "asin",
    "asinh", "assumed_gamma", "atan", "atan2", "atanh", "autostop", "average", "b_spline", "background",
    "bezier_spline", "bicubic_patch", "bitwise_and", "bitwise_or", "bitwise_xor", "black_hole", "blob",
    "blue", "blur_samples", "bokeh", "bounded_by", "box", "boxed", "bozo", "brick_size", "brightness",
    "brilliance", "bump_map", "bump_size", "bumps", "case", "caustics", "ceil", "cells", "charset", "checker",
    "chr", "circular", "clipped_by", "clock_on", "collect", "color_map", "colour_map", "composite", "concat",
    "cone", "confidence", "conic_sweep", "conserve_energy", "contained_by", "control0", "control1", "coords",
    "crand", "cube", "cubic", "cubic_spline", "cubic_wave", "cutaway_textures", "cylindrical", "datetime",
    "debug", "default", "defined", "degrees", "density_map", "dents", "deprecated", "difference", "diffuse",
    "dimension_size", "direction", "disc", "dispersion", "dispersion_samples", "dist_exp", "div",
    "double_illuminate", "dtag", "eccentricity", "else", "elseif", "emission", "error_bound", "evaluate",
    "expand_thresholds", "exterior", "extinction", "face_indices", "facets", "fade_color", "fade_colour",
    "fade_distance", "fade_power", "falloff", "falloff_angle", "false", "fclose", "file_exists", "filter",
    "finish", "fisheye", "flatness", "flip", "floor", "focal_point", "fog_alt", "fog_offset", "fog_type",
    "fopen", "for", "frequency", "fresnel", "gather", "global_lights", "global_settings", "granite", "gray",
    "gray_threshold", "green", "hexagon", "hf_gray_16", "hollow", "hypercomplex", "if", "ifdef", "ifndef",
    "image_map", "image_pattern", "importance", "inside", "inside_vector", "interior", "interior_texture",
    "interpolate", "intersection", "intervals", "inverse", "irid", "irid_wavelength", "isosurface", "jitter",
    "julia_fractal", "lambda", "leopard", "light_group", "light_source", "linear_spline", "linear_sweep",
    "ln", "load_file", "local", "location", "log", "look_at", "looks_like", "low_error_factor", "macro",
    "major_radius", "mandel", "map_type", "marble", "material", "material_map", "matrix", "max_extent",
    "max_gradient", "max_intersections", "max_iteration", "max_sample", "max_trace", "max_trace_level",
    "maximum_reuse", "media", "media_attenuation", "media_interaction", "merge", "mesh", "mesh_camera",
    "metallic", "method", "min", "min_extent", "minimum_reuse", "mm_per_unit", "mod", "mortar",
    "natural_spline", "nearest_count", "no", "no_bump_scale", "no_image", "no_radiosity", "no_reflection",
    "no_shadow", "noise_generator", "normal_indices", "normal_map", "normal_vectors", "now",
    "number_of_sides", "number_of_tiles", "number_of_waves", "octaves", "omega", "omnimax", "on", "once",
    "onion", "orient", "orientation", "orthographic", "ovus", "panoramic", "parallel", "parametric",
    "pass_through", "perspective", "phase", "phong", "phong_size", "photons", "pi", "pigment_map",
    "pigment_pattern", "planar", "plane", "point_at", "poly", "poly_wave", "polygon", "polynomial", "pot",
    "pow", "precision", "precompute", "premultiplied", "pretrace_end", "pretrace_start", "prod",
    "projected_through", "pwr", "quadratic_spline", "quadric", "quartic", "quaternion", "quick_color",
    "quick_colour", "quilted", "radial", "radians", "rainbow", "ramp_wave", "rand", "ratio", "reciprocal",
    "recursion_limit", "red", "reflection_exponent", "refraction", "render", "repeat", "right", "ripples",
    "roughness", "save_file", "scallop_wave", "scattering", "seed", "select", "shadowless", "sine_wave",
    "sint16be", "sint16le", "sint32be", "sint32le", "sint8", "sky", "sky_sphere", "slice", "slope",
    "slope_map", "smooth", "smooth_triangle", "solid", "sor", "spacing", "specular", "sphere_sweep",
    "spherical", "spiral1", "spiral2", "split_union", "spotlight", "spotted", "sqr", "sqrt", "square", "srgb",
    "srgbf", "srgbft", "srgbt", "statistics", "strcmp", "strength", "strlen", "strlwr", "strupr", "sturm",
    "subsurface", "sum", "superellipsoid", "switch", "sys", "t", "target", "texture_list", "texture_map",
    "thickness", "tightness", "tile2", "tiling", "tolerance", "toroidal", "torus", "translate",
    "translucency", "triangle_wave", "triangular", "true", "turb_depth", "u", "u_steps", "uint16be",
    "uint16le", "uint8", "ultra_wide_angle", "undef", "up", "use_alpha", "use_color", "use_colour",
    "use_index", "utf8", "uv_indices", "uv_mapping", "uv_vectors", "v", "v_steps", "val", "variance",
    "vaxis_rotate", "vcross", "vdot", "vertex_vectors", "vlength", "vnormalize", "vrotate", "vstr",
    "vturbulence", "warning", "water_level", "while", "wood", "wrinkles", "x", "xyz", "y", "yes", "z",
};
static_assert(std::is_sorted(std::begin(kReservedWords), std::end(kReservedWords),
                             [](const char* a, const char* b) { return std::string_view(a) < std::string_view(b); }));

}  // namespace

bool isPovReservedWord(const char* name) {
    if (!name) return false;
    const std::string_view word(name);
    return std::binary_search(std::begin(kReservedWords), std::end(kReservedWords), word,
                              [](std::string_view a, std::string_view b) { return a < b; });
}

}  // namespace kx::exporter
