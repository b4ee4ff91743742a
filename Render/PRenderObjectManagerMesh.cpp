// The builder's mesh nodes: objects with render parts, boxes and physics data from checked node records.
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "core/CPBoundingBox.h"
#include "core/CPGameObject.h"
#include "core/StringUtils.h"
#include "simulation/physics/CPPhysicData.h"

namespace {

std::string LowerName(const std::string& name) {
    std::string lowered = name;
    return ToLower(lowered);
}

D3DXQUATERNION Conjugate(const D3DXQUATERNION& q) { return D3DXQUATERNION(-q.x, -q.y, -q.z, q.w); }

// The collision box of a box shape record: sizes a (x), c (y), b (z) around its centre, which lies
// b / 2 above the stored position; the box turns by the conjugate of the stored rotation.
CPBoundingBox ShapeBox(const CPMeshShapeRecord& shape, const D3DXVECTOR3& centre) {
    CPBoundingBox box(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(shape.a * 0.5f, shape.c * 0.5f, shape.b * 0.5f));
    const D3DXQUATERNION turn = Conjugate(shape.rotation);
    D3DXMATRIX rotation, translation;
    D3DXMatrixRotationQuaternion(&rotation, &turn);
    D3DXMatrixTranslation(&translation, centre.x, centre.y, centre.z);
    D3DXMatrixMultiply(&box.mLocalPlacement, &rotation, &translation);
    return box;
}

D3DXVECTOR3 RaisedCentre(const CPMeshShapeRecord& shape) {
    return D3DXVECTOR3(shape.position.x, shape.position.y, shape.position.z + shape.b * 0.5f);
}

// A new plain mesh holding the node's vertices (world copy included) and indices.
CPRenderObject* MakeRenderObject(CPGameObject& object, std::vector<CPVertex> vertices,
                                 const std::vector<uint16_t>& indices) {
    auto* mesh = new CPRenderObject(&object);
    mesh->GetLocalVertices() = std::move(vertices);
    mesh->GetWorldVertices() = mesh->GetLocalVertices();
    mesh->GetIndices() = indices;
    object.SetRenderPart(mesh, kRenderObject);
    object.Adopt(mesh);
    return mesh;
}

// New physics data for the object with the box mass of its body record.
void AddBoxBody(CPGameObject& object, const CPMeshShapeRecord& body) {
    auto* physics = new CPPhysicData(&object);
    object.SetPhysicData(physics);
    object.Adopt(physics);
    physics->SetBoxMass(body.a, body.b, body.c, body.mass);
}

// The last steps of every node: its children, then its own section (children's sections come first).
template <class ReadChild>
CPSmartPtr<CPGameObject> FinishNode(CPRenderObjectManager& manager, CPSmartPtr<CPGameObject> object,
                                    const CPMeshNodeRecord& node, const CPSectionTable& sections, int32_t layerOffset,
                                    ReadChild readChild) {
    for (const CPMeshNodeRecord& child : node.children) object->AddOwnedChild(readChild(child));
    manager.ReadMaterialDescription(object, FindSection(sections, object->GetName()), layerOffset);
    return object;
}

}  // namespace

void CPRenderObjectManager::PaintVertices(std::vector<CPVertex>& vertices) const {
    for (CPVertex& vertex : vertices) vertex.diffuse = mObjectColour;
}

void CPRenderObjectManager::AddShapes(CPGameObject& object, const std::vector<CPMeshShapeRecord>& shapes) {
    CPPhysicData* physics = object.GetPhysicData();
    // Shapes belong to the physics data: a node without it (an animated node without body mass) keeps none.
    if (!physics) return;
    for (const CPMeshShapeRecord& shape : shapes) {
        if (shape.kind == CPMeshShapeRecord::kBox) {
            const D3DXVECTOR3 centre = RaisedCentre(shape);
            physics->AddBoxShape(centre, shape.rotation, shape.a, shape.b, shape.c, shape.mass);
            object.GetCollisionBoxes().push_back(ShapeBox(shape, centre));
        } else if (shape.kind == CPMeshShapeRecord::kCylinder) {
            physics->AddCylinderShape(shape.position, Conjugate(shape.rotation), shape.diameter, shape.b, shape.mass);
        }
    }
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::ReadMeshNode(const CPMeshNodeRecord& node,
                                                             const CPSectionTable& sections, int32_t layerOffset) {
    CPSmartPtr<CPGameObject> object(new CPGameObject(LowerName(node.name)));
    std::vector<CPVertex> vertices = node.vertices;
    PaintVertices(vertices);
    MakeRenderObject(*object, std::move(vertices), node.indices);
    for (const CPMeshBoxRecord& box : node.boxes)
        object->GetCollisionBoxes().push_back(CPBoundingBox(box.centre, box.halfExtents));
    return FinishNode(*this, object, node, sections, layerOffset,
                      [&](const CPMeshNodeRecord& child) { return ReadMeshNode(child, sections, layerOffset); });
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::ReadPhysicMeshNode(const CPMeshNodeRecord& node,
                                                                   const CPSectionTable& sections,
                                                                   int32_t layerOffset) {
    CPSmartPtr<CPGameObject> object(new CPGameObject(LowerName(node.name)));
    AddBoxBody(*object, node.body);
    object->SetPosition(node.placement.position);
    object->SetRotation(Conjugate(node.placement.rotation));

    std::vector<CPVertex> vertices = node.vertices;
    // The start values are those of the stored format's tools (the y start differs on purpose); a node
    // without vertices keeps them.
    D3DXVECTOR3 minimum(5000000.0f, 5000000.0f, 5000000.0f);
    D3DXVECTOR3 maximum(-500000.0f, -5000000.0f, -500000.0f);
    for (CPVertex& vertex : vertices) {
        vertex.diffuse = mObjectColour;
        D3DXVec3Minimize(&minimum, &minimum, &vertex.position);
        D3DXVec3Maximize(&maximum, &maximum, &vertex.position);
    }
    object->SetBoundingBox(CPBoundingBox((maximum + minimum) * 0.5f, (maximum - minimum) * 0.5f));
    MakeRenderObject(*object, std::move(vertices), node.indices);

    AddShapes(*object, node.shapes);
    return FinishNode(*this, object, node, sections, layerOffset,
                      [&](const CPMeshNodeRecord& child) { return ReadPhysicMeshNode(child, sections, layerOffset); });
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::ReadAnimatedMeshNode(const CPMeshNodeRecord& node,
                                                                     const CPSectionTable& sections,
                                                                     int32_t layerOffset,
                                                                     const std::string& animationName) {
    const std::string name = LowerName(node.name);
    CPSmartPtr<CPGameObject> object(new CPGameObject(name));
    if (node.body.mass > 0.0f) AddBoxBody(*object, node.body);

    auto* animated = new CPAnimatedObject;
    animated->SetOwner(object.Get());
    object->SetRenderPart(animated, kRenderAnimated);
    object->Adopt(animated);
    CPSmartPtr<CPAnimation> animation;
    if (gAnimationManager)
        animation = gAnimationManager->GetAnimation(name + "&" + gAnimMeshFileName, node.animation, mObjectColour);
    if (animation) animated->AddNamedAnimation(animationName, animation);

    if (node.box.mass > 0.0f) {
        object->SetBoundingBox(ShapeBox(node.box, RaisedCentre(node.box)));
    } else if (animation) {
        object->SetBoundingBox(animation->GetBox());
    }

    AddShapes(*object, node.shapes);
    return FinishNode(*this, object, node, sections, layerOffset, [&](const CPMeshNodeRecord& child) {
        return ReadAnimatedMeshNode(child, sections, layerOffset, animationName);
    });
}

void CPRenderObjectManager::AddMeshAnimation(CPSmartPtr<CPGameObject> node, const CPMeshNodeRecord& record,
                                             const CPSectionTable& sections, int32_t layerOffset,
                                             const std::string& animationName) {
    if (!node) return;
    if (node->GetRenderKind() == kRenderAnimated && gAnimationManager) {
        auto* animated = static_cast<CPAnimatedObject*>(node->GetRenderPart());
        CPSmartPtr<CPAnimation> animation =
            gAnimationManager->GetAnimation(node->GetName() + "&" + gAnimMeshFileName, record.animation, mObjectColour);
        animated->AddNamedAnimation(animationName, animation);
    }
    // Names of a further file are compared as stored: the tree's names are lower-cased.
    for (const CPMeshNodeRecord& child : record.children)
        AddMeshAnimation(node->GetChild(child.name), child, sections, layerOffset, animationName);
}
