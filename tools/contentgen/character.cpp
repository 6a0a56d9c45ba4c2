// The gardener character in folder "Pell": legs, torso and head MD3 models,
// their skin files, the skin pictures and the animation configuration.
#include "character_motion.h"
#include "character_rig.h"
#include "character_skins.h"
#include "content.h"
#include "picture_files.h"
#include "writer_md3.h"

#include <cstdio>
#include <string>
#include <vector>

namespace contentgen {

namespace {

using pell::BakedFrame;
using pell::RigMesh;

const std::string kFolder = "Pell";
const std::string kBase = "pell";
const std::string kLowerPicture = "pell_lower.bmp";
const std::string kUpperPicture = "pell_upper.bmp";
const std::string kPropsPicture = "pell_props.bmp";

// Mesh names: none occurs inside another mesh's skin line.
const std::string kLegsMesh = "l_legs";
const std::string kBodyMesh = "u_body";
const std::string kCanMesh = "u_wateringcan";
const std::string kSprayMesh = "u_spraycan";
const std::string kSpadeMesh = "u_spade";
const std::string kHeadMesh = "h_head";

std::string inFolder(const std::string& name) { return kFolder + "/" + name; }

Md3TagPose tagFrom(const std::string& name, const pell::Transform& t)
{
    Md3TagPose tag;
    tag.name = name;
    tag.origin = t.origin;
    for (int c = 0; c < 3; ++c) {
        const Vector3 axis = pell::column(t.rotation, c);
        tag.axis[static_cast<std::size_t>(c * 3)] = axis.x;
        tag.axis[static_cast<std::size_t>(c * 3 + 1)] = axis.y;
        tag.axis[static_cast<std::size_t>(c * 3 + 2)] = axis.z;
    }
    return tag;
}

Md3SurfaceData surfaceFrom(const RigMesh& mesh, const std::string& name, const std::string& picture)
{
    Md3SurfaceData surface;
    surface.name = name;
    surface.shader = inFolder(picture);
    surface.triangles = mesh.triangles;
    for (const pell::RigVertex& v : mesh.vertices) surface.texCoords.push_back({v.s, v.t});
    return surface;
}

std::string frameName(int frame)
{
    char text[kMd3FrameNameBytes];
    std::snprintf(text, sizeof text, "pell %03d", frame);
    return text;
}

bool addModel(ContentSink& sink, const std::string& file, const Md3ModelData& model)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!writeMd3(model, bytes, error)) {
        std::fprintf(stderr, "contentgen: %s: %s\n", file.c_str(), error.c_str());
        return false;
    }
    sink.add(inFolder(file), std::move(bytes));
    return true;
}

std::string animationConfig(const std::vector<pell::AnimationLine>& lines)
{
    std::string text =
        "// Pell the gardener: animation table\n"
        "// first frame, frame count, looping frames, frames per second, name\n"
        "// Frame 0 is the reference pose. Lines are numbered by their order,\n"
        "// separately for the legs (BOTH and LEGS lines) and the torso (BOTH and TORSO lines).\n"
        "\n"
        "sex m\n"
        "headoffset 0 0 0\n"
        "footsteps boot\n"
        "\n";
    for (const pell::AnimationLine& line : lines) {
        if (line.name == "TORSO_STRIKE_BLOW_START") {
            text += "// the blow lands after the first marker's last frame, up to the frame before the second's end\n";
        } else if (line.name == "TORSO_SPRAY_JET_START" || line.name == "TORSO_GIESSEN_FLOW_START") {
            text += "// the effect shows between the ends of the next two markers\n";
        } else if (line.name == "LEGS_WALK_UNDERWAY") {
            text += "// the gardener moves while the legs show a frame at or past this marker's end\n";
        }
        char row[128];
        std::snprintf(row, sizeof row, "%d\t%d\t%d\t%d\t\t// %s\n", line.first, line.count, line.looping, line.fps,
                      line.name.c_str());
        text += row;
    }
    return text;
}

void generateCharacter(ContentSink& sink)
{
    const pell::Body body = pell::buildBody();
    const pell::Choreography motion = pell::choreograph(body);
    for (const std::string& warning : motion.warnings) std::fprintf(stderr, "contentgen: Pell: %s\n", warning.c_str());

    const int frameCount = static_cast<int>(motion.poses.size());
    Md3ModelData lower{kBase + "_lower", {}, {}, {surfaceFrom(body.legs, kLegsMesh, kLowerPicture)}, frameCount};
    Md3ModelData upper{kBase + "_upper",
                       {},
                       {},
                       {surfaceFrom(body.torso, kBodyMesh, kUpperPicture), surfaceFrom(body.wateringCan, kCanMesh, kPropsPicture),
                        surfaceFrom(body.sprayCan, kSprayMesh, kPropsPicture), surfaceFrom(body.spade, kSpadeMesh, kPropsPicture)},
                       frameCount};
    for (int f = 0; f < frameCount; ++f) {
        const BakedFrame frame = pell::bake(body, motion.poses[static_cast<std::size_t>(f)]);
        lower.frameNames.push_back(frameName(f));
        upper.frameNames.push_back(frameName(f));
        lower.tags.push_back({tagFrom("tag_torso", frame.tagTorso)});
        upper.tags.push_back({tagFrom("tag_head", frame.tagHead)});
        lower.surfaces[0].frames.push_back(frame.legs);
        upper.surfaces[0].frames.push_back(frame.torso);
        upper.surfaces[1].frames.push_back(frame.wateringCan);
        upper.surfaces[2].frames.push_back(frame.sprayCan);
        upper.surfaces[3].frames.push_back(frame.spade);
    }

    // The head on its own, in the frame of its joint (never attached by the game).
    Md3ModelData head{kBase + "_head", {frameName(0)}, {{tagFrom("tag_head", {})}},
                      {surfaceFrom(body.head, kHeadMesh, kUpperPicture)}, 1};
    std::vector<Vector3> headRest;
    for (const pell::RigVertex& v : body.head.vertices) headRest.push_back(v.local);
    head.surfaces[0].frames.push_back(headRest);

    if (!addModel(sink, kBase + "_lower.md3", lower) || !addModel(sink, kBase + "_upper.md3", upper) ||
        !addModel(sink, kBase + "_head.md3", head)) {
        return;
    }

    // Skin files: mesh name, then the picture; the game takes the text after the last "/".
    sink.addText(inFolder(kBase + "_lower.skin"), kLegsMesh + "," + inFolder(kLowerPicture) + "\ntag_torso,\n");
    sink.addText(inFolder(kBase + "_upper.skin"), kBodyMesh + "," + inFolder(kUpperPicture) + "\n" + kCanMesh + "," +
                                                       inFolder(kPropsPicture) + "\n" + kSprayMesh + "," +
                                                       inFolder(kPropsPicture) + "\n" + kSpadeMesh + "," +
                                                       inFolder(kPropsPicture) + "\ntag_head,\n");
    sink.addText(inFolder(kBase + "_head.skin"), kHeadMesh + "," + inFolder(kUpperPicture) + "\n");
    sink.addText(inFolder(kBase + "_animation.cfg"), animationConfig(motion.lines));

    addPicture(sink, inFolder(kLowerPicture), pell::paintLowerSkin(), PictureFormat::Bmp24);
    addPicture(sink, inFolder(kUpperPicture), pell::paintUpperSkin(), PictureFormat::Bmp24);
    addPicture(sink, inFolder(kPropsPicture), pell::paintPropsSkin(), PictureFormat::Bmp24);
}

const GeneratorRegistration registration{50, "character", generateCharacter};

}  // namespace

}  // namespace contentgen
