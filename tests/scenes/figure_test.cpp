#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/resources.h"
#include "render3d/mesh_generators.h"
#include "scenes/figure_builder.h"
#include "scenes/pose_blending.h"

namespace {

// The five posed figures, built once for all the tests that only read them.
class FigureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (int pose = 0; pose < kFigurePoses; ++pose) {
            figures[pose] = std::make_unique<Mesh>();
            buildFigure(*figures[pose], pose);
        }
    }
    static void TearDownTestSuite() {
        for (auto& figure : figures) figure.reset();
    }
    static std::unique_ptr<Mesh> figures[kFigurePoses];
};
std::unique_ptr<Mesh> FigureTest::figures[kFigurePoses];

struct V {
    double x, y, z;
};
V toV(const Vector3& v) { return {v.x, v.y, v.z}; }
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V a) { return std::sqrt(dot(a, a)); }

// Index of the first vertex each bone adds.
int firstVertexOfBone(int bone) {
    int first = 0;
    for (int b = 0; b < bone; ++b) first += shapePointCount(figureBones[b].shape);
    return first;
}

void expectNear(const Vector3& v, double x, double y, double z, double tolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

}  // namespace

TEST_F(FigureTest, EveryPoseHasTheSameCountsAndFaces) {
    const Mesh& first = *figures[0];
    // 8 segments of 12 centres, 4 wedges and 2 prisms of 4, a head of 17, and the skin.
    const std::uint32_t centres = 8 * 12 + 6 * 4 + 17 + kSkinTriangles;
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        const Mesh& mesh = *figures[pose];
        SCOPED_TRACE(pose);
        EXPECT_EQ(mesh.vertexCount, static_cast<std::uint32_t>(kFigureVertices));
        EXPECT_EQ(mesh.faceCount, static_cast<std::uint32_t>(kFigureFaces));
        EXPECT_EQ(mesh.centreCount, centres);
        EXPECT_EQ(mesh.visible, 1);
        for (std::uint32_t f = 0; f < mesh.faceCount; ++f) {
            const MeshFace& a = first.faces[f];
            const MeshFace& b = mesh.faces[f];
            ASSERT_TRUE(a.a == b.a && a.b == b.b && a.c == b.c && a.centre == b.centre) << "face " << f;
        }
    }
}

TEST_F(FigureTest, BuildingAPoseAgainGivesTheSameMesh) {
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        Mesh again;
        buildFigure(again, pose);
        buildFigure(again, pose);  // a rebuild starts from scratch
        const Mesh& mesh = *figures[pose];
        ASSERT_EQ(again.vertexCount, mesh.vertexCount);
        ASSERT_EQ(again.centreCount, mesh.centreCount);
        for (std::uint32_t i = 0; i < mesh.vertexCount; ++i) {
            ASSERT_EQ(again.vertices[i].x, mesh.vertices[i].x);
            ASSERT_EQ(again.vertices[i].y, mesh.vertices[i].y);
            ASSERT_EQ(again.vertices[i].z, mesh.vertices[i].z);
            ASSERT_EQ(again.vertexNormals[i].x, mesh.vertexNormals[i].x);
        }
        for (std::uint32_t i = 0; i < mesh.centreCount; ++i) {
            ASSERT_EQ(again.faceNormals[i].y, mesh.faceNormals[i].y);
            ASSERT_EQ(again.faceCentres[i].z, mesh.faceCentres[i].z);
        }
    }
}

TEST_F(FigureTest, VertexNormalsOfUsedVerticesHaveLength256) {
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        const Mesh& mesh = *figures[pose];
        for (int i = 0; i < 512; ++i) {
            const double l = length(toV(mesh.vertexNormals[i]));
            // Points no face uses keep a zero normal.
            if (i >= kFigureVertices) {
                ASSERT_EQ(l, 0.0);
            } else if (l != 0.0) {
                ASSERT_NEAR(l, 256.0, 0.01) << "pose " << pose << " vertex " << i;
            }
        }
    }
}

TEST(FigureResources, HaveTheirFixedSizesAndTheSkinNamesOnlyFigureVertices) {
    const ResourceData skin = findResource(kSkinResource);
    ASSERT_TRUE(skin);
    ASSERT_EQ(skin.size, static_cast<std::size_t>(kSkinResourceSize));
    for (int t = 0; t < kSkinTriangles; ++t) {
        const unsigned a = skin.data[3 * t], b = skin.data[3 * t + 1], c = skin.data[3 * t + 2];
        EXPECT_LT(a, static_cast<unsigned>(kFigureVertices));
        EXPECT_LT(b, static_cast<unsigned>(kFigureVertices));
        EXPECT_LT(c, static_cast<unsigned>(kFigureVertices));
        EXPECT_TRUE(a != b && b != c && c != a) << "triangle " << t;
    }
    const int expected[kFigurePoses] = {105, 104, 106, 107, 108};
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        EXPECT_EQ(figurePoseResource(pose), expected[pose]);
        const ResourceData data = findResource(expected[pose]);
        ASSERT_TRUE(data);
        EXPECT_EQ(data.size, static_cast<std::size_t>(kPoseResourceSize));
    }
    EXPECT_EQ(figurePoseResource(5), 0);
    EXPECT_EQ(figurePoseResource(-1), 0);
}

TEST(FigureJoints, StandOnTheGroundWithTheHeadUpAndXScaledBy11Tenths) {
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        Vector3 joints[kFigureJoints];
        loadFigureJoints(pose, joints);
        const ResourceData data = findResource(figurePoseResource(pose));
        for (int k = 0; k < kFigureJoints; ++k) {
            const int x = static_cast<signed char>(data.data[4 * k]);
            const int roll = static_cast<signed char>(data.data[4 * k + 3]);
            EXPECT_EQ(joints[k].x, static_cast<float>(x * 1.1));
            EXPECT_EQ(joints[k].tag, static_cast<unsigned>(2 * roll + 512));
        }
        // y points down: the head above the chest, a foot on the ground.
        EXPECT_LT(joints[3].y, joints[2].y);
        EXPECT_LT(joints[3].y, -60.0f);
        EXPECT_GE(std::max(joints[18].y, joints[19].y), 110.0f);
    }
}

TEST(FigureJoints, AnUnknownPoseReadsAsZerosNotPastAnyResource) {
    Vector3 joints[kFigureJoints];
    loadFigureJoints(kFigurePoses, joints);
    for (const Vector3& joint : joints) {
        EXPECT_EQ(joint.x, 0.0f);
        EXPECT_EQ(joint.y, 0.0f);
        EXPECT_EQ(joint.z, 0.0f);
        EXPECT_EQ(joint.tag, 512u);
    }
}

// A bone straight down from A = (0, 0, 0) to B = (0, 100, 0), rolled by a full
// turn: yaw 256 and pitch 384 turn local x to -x, local y to -z and local z up.
TEST(BoneRotation, LaysTheSolidFromBToAAlongAVerticalBone) {
    const Vector3 a(0.0f, 0.0f, 0.0f), b(0.0f, 100.0f, 0.0f);
    const float u = 100.0f / 128.0f;
    expectNear(placeBonePoint(a, b, 512.0f, u, 0, 0, 128), 0, 0, 0, 1e-3);  // local z = 128u lands on A
    expectNear(placeBonePoint(a, b, 512.0f, u, 0, 0, 0), 0, 100, 0, 1e-3);  // local origin on B
    expectNear(placeBonePoint(a, b, 512.0f, u, 16, 0, 0), -12.5, 100, 0, 1e-3);
    expectNear(placeBonePoint(a, b, 512.0f, u, 0, 16, 0), 0, 100, -12.5, 1e-3);
    expectNear(placeBonePoint(a, b, 512.0f, u, 0, 0, 64), 0, 50, 0, 1e-3);
}

// A level bone from A = (0, 0, 0) to B = (30, 0, 40) (length 50) with a quarter
// turn of roll (code 64): yaw = angleOf(-40, 30), pitch 0. Local z runs back
// to A, local x turns to -y and local y to (-0.8, 0, 0.6).
TEST(BoneRotation, TurnsTheSolidByTheRollOfTheChildJoint) {
    const Vector3 a(0.0f, 0.0f, 0.0f), b(30.0f, 0.0f, 40.0f);
    const float roll = 2 * 64 + 512;
    const float u = 50.0f / 128.0f;
    expectNear(placeBonePoint(a, b, roll, u, 0, 0, 128), 0, 0, 0, 1e-3);
    expectNear(placeBonePoint(a, b, roll, u, 128, 0, 0), 30, -50, 40, 1e-3);
    expectNear(placeBonePoint(a, b, roll, u, 0, 128, 0), -10, 0, 70, 1e-3);
}

// The pelvis is measured in 96ths: u = L x 0.010416666977107525, kept in
// double. For L = 100, 48u = 50.0000015 rounds to the float 50; a unit
// rounded to float first (1.0416667461) would give 50.0000038.
TEST(BoneRotation, KeepsThePelvisUnitInDoublePrecision) {
    const Vector3 a(0.0f, 0.0f, 0.0f), b(0.0f, 100.0f, 0.0f);
    EXPECT_EQ(placeBonePoint(a, b, 512.0f, 100.0 * 0.010416666977107525, 48, 0, 0).x, -50.0f);
}

// The built pelvis (the first bone, vertices 0..9) uses that same double unit.
TEST_F(FigureTest, PelvisPointsAreScaledByTheUnitInDoublePrecision) {
    const int pelvis[10][3] = {{-48, 48, 64}, {48, 48, 64},   {64, 16, 16},  {0, 32, -32}, {-64, 16, 16},
                               {-48, -32, 64}, {48, -32, 64}, {64, -16, 16}, {0, -32, -32}, {-64, -16, 16}};
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        Vector3 joints[kFigureJoints];
        loadFigureJoints(pose, joints);
        const Vector3& a = joints[0];
        const Vector3& b = joints[1];
        const double u = b.distance(a) * 0.010416666977107525;
        for (int i = 0; i < 10; ++i) {
            const Vector3 expected = placeBonePoint(a, b, static_cast<float>(b.tag), u, static_cast<float>(pelvis[i][0]),
                                                    static_cast<float>(pelvis[i][1]), static_cast<float>(pelvis[i][2]));
            const Vector3& built = figures[pose]->vertices[i];
            SCOPED_TRACE(testing::Message() << "pose " << pose << " pelvis point " << i);
            EXPECT_EQ(built.x, expected.x);
            EXPECT_EQ(built.y, expected.y);
            EXPECT_EQ(built.z, expected.z);
        }
    }
}

// The shoulders' points 1 and 4 and the thumbs' points 2 and 5 are mirror
// pairs about local (0, 0, 128u), so their midpoint must be joint A.
TEST_F(FigureTest, LocalPoint128uOfABoneLandsOnItsParentJoint) {
    struct Pair {
        int bone, p, q;
    };
    const Pair pairs[] = {{2, 1, 4}, {3, 1, 4}, {9, 2, 5}, {11, 2, 5}};
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        Vector3 joints[kFigureJoints];
        loadFigureJoints(pose, joints);
        const Mesh& mesh = *figures[pose];
        for (const Pair& pair : pairs) {
            const int first = firstVertexOfBone(pair.bone);
            const Vector3& p = mesh.vertices[first + pair.p];
            const Vector3& q = mesh.vertices[first + pair.q];
            const Vector3& a = joints[figureBones[pair.bone].a];
            SCOPED_TRACE(testing::Message() << "pose " << pose << " bone " << pair.bone);
            expectNear(Vector3((p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2), a.x, a.y, a.z, 1e-3);
        }
    }
}

// Every edge is used as often in one direction as in the other: the surface
// has no holes and its faces agree on their winding (several closed solids
// may share an edge).
TEST_F(FigureTest, TheSurfaceIsClosedAndConsistentlyWound) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
    const Mesh& mesh = *figures[0];
    for (std::uint32_t f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const std::uint32_t v[3] = {face.a, face.b, face.c};
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t from = v[k], to = v[(k + 1) % 3];
            if (from < to) ++edges[{from, to}];
            else --edges[{to, from}];
        }
    }
    for (const auto& [edge, balance] : edges) {
        EXPECT_EQ(balance, 0) << "edge " << edge.first << "-" << edge.second;
    }
}

// Signed crossings of the ray from p along d with the mesh's faces: +1 where
// the ray leaves a solid (by the faces' winding), -1 where it enters one. From
// a point inside the body the sum is at least 1, outside it is 0.
int windingAlongRay(const Mesh& mesh, V p, V d) {
    int winding = 0;
    for (std::uint32_t f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const V a = toV(mesh.vertices[face.a]), b = toV(mesh.vertices[face.b]), c = toV(mesh.vertices[face.c]);
        const V e1 = b - a, e2 = c - a;
        const V h = cross(d, e2);
        const double det = dot(e1, h);
        if (std::fabs(det) < 1e-12) continue;
        const V s = p - a;
        const double u = dot(s, h) / det;
        if (u < 0.0 || u > 1.0) continue;
        const V q = cross(s, e1);
        const double v = dot(d, q) / det;
        if (v < 0.0 || u + v > 1.0) continue;
        if (dot(e2, q) / det <= 0.0) continue;
        const V inward = cross(c - a, b - a);
        winding += dot(d, inward) < 0.0 ? 1 : -1;
    }
    return winding;
}

// Every face has the body on its inner side: just inside each face (along its
// winding's inward normal) the winding number is at least 1, so no face can be
// seen from inside out from anywhere around the figure. Also checks that the
// stored normals agree with the winding.
void expectInsideBehindEveryFace(const Mesh& mesh, const char* what) {
    int failures = 0;
    for (std::uint32_t f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const V a = toV(mesh.vertices[face.a]), b = toV(mesh.vertices[face.b]), c = toV(mesh.vertices[face.c]);
        V n = cross(c - a, b - a);
        const double l = length(n);
        ASSERT_GT(l, 1e-6) << what << ": face " << f << " has no area";
        n = {n.x / l, n.y / l, n.z / l};
        const V centre{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
        const V inside{centre.x + 0.01 * n.x, centre.y + 0.01 * n.y, centre.z + 0.01 * n.z};
        // Slightly off the normal, so the ray does not run along the body's edges.
        const V ray{n.x + 0.0123, n.y + 0.0347, n.z - 0.0211};
        if (windingAlongRay(mesh, inside, ray) < 1 && ++failures <= 10) {
            ADD_FAILURE() << what << ": the inner side of face " << f << " is outside the body";
        }
        EXPECT_GT(dot(toV(mesh.faceNormals[face.centre]), n), 0.0) << what << ": face " << f;
    }
}

// The closed surface encloses a positive volume counted with its winding, so
// its stored normals point in, not out.
TEST_F(FigureTest, NormalsPointIntoTheBodyInEveryPose) {
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        const Mesh& mesh = *figures[pose];
        double volume = 0.0;
        for (std::uint32_t f = 0; f < mesh.faceCount; ++f) {
            const MeshFace& face = mesh.faces[f];
            volume += dot(toV(mesh.vertices[face.a]), cross(toV(mesh.vertices[face.b]), toV(mesh.vertices[face.c])));
        }
        EXPECT_GT(volume / 6.0, 50000.0) << "pose " << pose;
        expectInsideBehindEveryFace(mesh, ("pose " + std::to_string(pose)).c_str());
    }
}

TEST_F(FigureTest, TheDancesHalfwayBlendHasNoFaceTurnedInsideOut) {
    Mesh blend;
    buildFigure(blend, 1);
    blendPoses(blend, *figures[1], *figures[2], 0.5f);
    expectInsideBehindEveryFace(blend, "blend of poses 1 and 2");
}

TEST(PoseBlending, MirrorXNegatesXOfWhatIsInUseAndNothingElse) {
    Mesh mesh;
    makeBox(mesh, 1.0f, 2.0f, 3.0f);
    mesh.vertices[0].tag = 0x123456;
    Mesh original;
    makeBox(original, 1.0f, 2.0f, 3.0f);
    mesh.vertices[mesh.vertexCount].set(5.0f, 6.0f, 7.0f);  // beyond the count: left alone
    mirrorX(mesh);
    EXPECT_EQ(mesh.vertexCount, 8u);
    EXPECT_EQ(mesh.faceCount, 12u);
    EXPECT_EQ(mesh.centreCount, 6u);
    for (std::uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(mesh.vertices[i].x, -original.vertices[i].x);
        EXPECT_EQ(mesh.vertices[i].y, original.vertices[i].y);
        EXPECT_EQ(mesh.vertexNormals[i].x, -original.vertexNormals[i].x);
        EXPECT_EQ(mesh.vertexNormals[i].z, original.vertexNormals[i].z);
    }
    for (std::uint32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(mesh.faceNormals[i].x, -original.faceNormals[i].x);
        EXPECT_EQ(mesh.faceCentres[i].x, -original.faceCentres[i].x);
        EXPECT_EQ(mesh.faceCentres[i].y, original.faceCentres[i].y);
    }
    for (std::uint32_t f = 0; f < 12; ++f) EXPECT_EQ(mesh.faces[f].a, original.faces[f].a);
    EXPECT_EQ(mesh.vertices[0].tag, 0x123456u);
    EXPECT_EQ(mesh.vertices[8].x, 5.0f);
}

TEST(PoseBlending, WeightsZeroAndOneGiveTheEndsExactly) {
    Mesh from, to, target;
    makeBox(from, 1.0f, 2.0f, 3.0f);
    makeTorus(to, 3.0f, 5.0f, 7.0f);  // more of everything than the box
    makeBox(target, 0.5f, 0.5f, 0.5f);
    target.vertices[1].tag = 0xabcdef;
    target.faces[0].a = 7;
    target.faceCount = 3;

    blendPoses(target, from, to, 0.0f);
    for (std::uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(target.vertices[i].x, from.vertices[i].x);
        EXPECT_EQ(target.vertices[i].z, from.vertices[i].z);
        EXPECT_EQ(target.vertexNormals[i].y, from.vertexNormals[i].y);
    }
    blendPoses(target, from, to, 1.0f);
    for (std::uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(target.vertices[i].x, to.vertices[i].x);
        EXPECT_EQ(target.vertices[i].y, to.vertices[i].y);
        EXPECT_EQ(target.vertexNormals[i].z, to.vertexNormals[i].z);
    }
    for (std::uint32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(target.faceNormals[i].x, to.faceNormals[i].x);
        EXPECT_EQ(target.faceCentres[i].y, to.faceCentres[i].y);
    }
    blendPoses(target, from, to, 0.25f);
    EXPECT_FLOAT_EQ(target.vertices[2].x, 0.75f * from.vertices[2].x + 0.25f * to.vertices[2].x);
    // Counts, faces and tags of the target are its own.
    EXPECT_EQ(target.vertexCount, 8u);
    EXPECT_EQ(target.faceCount, 3u);
    EXPECT_EQ(target.centreCount, 6u);
    EXPECT_EQ(target.faces[0].a, 7u);
    EXPECT_EQ(target.vertices[1].tag, 0xabcdefu);
}

// A third of the way from 0 to 5 is the float nearest 5/3, 1.66666663; a
// weight rounded to float (0.333333343) would give 1.66666675.
TEST(PoseBlending, TheWeightIsNotRoundedToFloat) {
    Mesh from, to, target;
    for (Mesh* m : {&from, &to, &target}) makeBox(*m, 1.0f, 1.0f, 1.0f);
    from.vertices[0].x = 0.0f;
    to.vertices[0].x = 5.0f;
    blendPoses(target, from, to, 1.0 / 3.0);
    EXPECT_EQ(target.vertices[0].x, 1.66666663f);
}

TEST(PoseBlending, StopsAtTheSmallestMeshInvolved) {
    Mesh from, to, target;
    makeTorus(from, 3.0f, 5.0f, 7.0f);  // 128 vertices
    makeBox(to, 1.0f, 1.0f, 1.0f);      // 8 vertices
    makeTorus(target, 1.0f, 1.0f, 1.0f);
    const float untouched = target.vertices[8].x;
    blendPoses(target, from, to, 1.0f);
    EXPECT_EQ(target.vertices[7].x, to.vertices[7].x);
    EXPECT_EQ(target.vertices[8].x, untouched);
}

TEST_F(FigureTest, AHalfwayBlendKeepsTheFiguresFacesAndMirrorsBackExactly) {
    Mesh blend;
    buildFigure(blend, 1);
    blendPoses(blend, *figures[1], *figures[2], 0.5f);
    for (std::uint32_t i = 0; i < blend.vertexCount; ++i) {
        const double mid = 0.5 * figures[1]->vertices[i].y + 0.5 * figures[2]->vertices[i].y;
        ASSERT_NEAR(blend.vertices[i].y, mid, 1e-4);
    }
    Mesh mirrored;
    buildFigure(mirrored, 2);
    mirrorX(mirrored);
    mirrorX(mirrored);
    for (std::uint32_t i = 0; i < mirrored.vertexCount; ++i) ASSERT_EQ(mirrored.vertices[i].x, figures[2]->vertices[i].x);
}
