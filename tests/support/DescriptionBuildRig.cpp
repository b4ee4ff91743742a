#include "support/DescriptionBuildRig.h"

#include <gtest/gtest.h>

#include <algorithm>

DescriptionBuildRig::DescriptionBuildRig() {
    for (const char* folder : {"Data/Meshes", "Data/Animations", "Data/Descriptions"})
        mCaches.Folder().MakeFolder(folder);
}

LiveObjectWatch::~LiveObjectWatch() {
    EXPECT_EQ(gObjectRegistry::Size(), mBefore) << "engine objects outlived the trees and caches that made them";
}

DescriptionBuildRig::~DescriptionBuildRig() {
    while (!mBuilt.empty()) Delete(mBuilt.back());
    // Emptied while still installed, so that each animation can leave the cache.
    mAnimations.DestroyAll();
}

void DescriptionBuildRig::WriteMesh(const std::string& name, const std::string& bytes) const {
    mCaches.Folder().Write("Data/Meshes/" + name, bytes);
}

void DescriptionBuildRig::WriteAnimation(const std::string& name, const std::string& bytes) const {
    mCaches.Folder().Write("Data/Animations/" + name, bytes);
}

void DescriptionBuildRig::WriteTexture(const std::string& name) const {
    mCaches.Folder().Write("Data/Textures/" + name, std::string());
}

void DescriptionBuildRig::WriteEffect(const std::string& name) const {
    mCaches.Folder().Write("Data/Effects/" + name, std::string());
}

void DescriptionBuildRig::WriteXmlDescription(const std::string& name, const std::string& text) const {
    mCaches.Folder().Write("Data/Descriptions/" + name, text);
}

CPGameObject* DescriptionBuildRig::Build(const std::string& name, int32_t layerOffset) {
    CPSmartPtr<CPGameObject> result;
    mManager.CreateObjectByDescription(result, name, layerOffset);
    if (result) mBuilt.push_back(result.Get());
    return result.Get();
}

void DescriptionBuildRig::Delete(CPGameObject* root) {
    mBuilt.erase(std::remove(mBuilt.begin(), mBuilt.end(), root), mBuilt.end());
    delete root;
}

std::vector<CPGameObject*> TreeNodes(CPGameObject* root) {
    CPGameObject::ObjectList objects;
    if (root) root->CollectObjects(objects);
    std::vector<CPGameObject*> nodes;
    for (const auto& object : objects) nodes.push_back(object.Get());
    return nodes;
}

CPGameObject* TreeNode(CPGameObject* root, const std::string& name) {
    for (CPGameObject* node : TreeNodes(root))
        if (node->GetName() == name) return node;
    return nullptr;
}
