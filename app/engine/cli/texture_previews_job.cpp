// The command-line job that renders the texture previews that are missing.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "cli/command_line.h"
#include "kxcore.h"
#include "startup/core_session.h"
#include "texbuild/texture_names.h"
#include "texbuild/texture_previews.h"

namespace kx::app {
namespace {

// Textures a preview can be made for: listed, with a short name, and named so
// that a scene can refer to them.
bool wantsPreview(const TextureInfo& t) {
    const std::string shortName(t.shortText1, strnlen(t.shortText1, sizeof t.shortText1));
    const std::string name(t.name, strnlen(t.name, sizeof t.name));
    if (t.kind == 0 || !hasShortName(shortName) || !isSafeShortName(shortName)) return false;
    return (t.kind & KX_TEXTURE_COLOUR) ? isSceneIdentifier(name) : isLayeredIdentifier(name);
}

}  // namespace

int runTexturePreviews(const CommandLine& cl) {
    CoreSession session;
    session.start({});
    Settings& settings = session.settings();
    // "Preview only" renders nothing; the first external renderer is meant.
    if ((settings.render.type <= 0 ||
         static_cast<size_t>(settings.render.type) >= session.renderers().entries.size()) &&
        session.renderers().entries.size() > 1) {
        settings.render.type = 1;
        session.reloadRenderers();
    }
    TextureDatabase& db = session.textures();
    const RendererDefinition& renderer = session.renderers().current(settings.render.type);
    RebuildResult rebuild = rebuildPreviews(db, renderer, settings);
    if (!rebuild.ok) return 1;

    std::mutex printing;
    const unsigned jobs = cl.jobs ? static_cast<unsigned>(*cl.jobs) : defaultPreviewJobs();
    // A renderer among several at once now and then fails a scene it renders
    // alone: a failed preview is tried once more, on its own, before it is
    // reported.
    std::vector<PreviewJob> again;
    // Called with `printing` held.
    auto report = [](const PreviewResult& r) {
        if (r.ok) std::printf("Preview %s: %s\n", r.shortName.c_str(), r.textureName.c_str());
        else std::printf("Preview %s: %s failed (exit code %d)\n", r.shortName.c_str(), r.textureName.c_str(), r.exitCode);
        std::fflush(stdout);
    };
    {
        PreviewRenderPool pool;
        const std::vector<PreviewJob>& asked = rebuild.jobs;
        pool.start(asked, jobs, [&](const PreviewResult& r) {
            std::lock_guard<std::mutex> lock(printing);
            if (r.ok || r.cancelled || jobs == 1) return report(r);
            for (const PreviewJob& job : asked)
                if (job.shortName == r.shortName) again.push_back(job);
        });
        pool.wait();
    }
    if (!again.empty()) {
        PreviewRenderPool alone;
        alone.start(std::move(again), 1, [&](const PreviewResult& r) {
            std::lock_guard<std::mutex> lock(printing);
            report(r);
        });
        alone.wait();
    }

    db.updatePreviewColours(CoreSession::ownerWindow());
    int missing = 0;
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) {
        if (!wantsPreview(*t)) continue;
        const std::string shortName(t->shortText1, strnlen(t->shortText1, sizeof t->shortText1));
        if (findPreviewImage(db.texturesFolder(), shortName).empty()) ++missing;
    }
    if (missing) std::fprintf(stderr, "kalvex: %d texture previews are missing\n", missing);
    return missing == 0 ? 0 : 1;
}

}  // namespace kx::app
