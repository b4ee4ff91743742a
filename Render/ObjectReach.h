// The world box around everything an object tree draws or can be hit by, for the boxes of a partition
// that culls and prunes whole groups of trees. A plain mesh node carries no main box, so its hierarchy
// bounds end at its origin; its collision boxes and its vertices are taken in as well.
#pragma once

#include "core/CPAxisBox.h"

class CPGameObject;

// The union of the tree's hierarchy bounds, its collision bounds and the vertices of its plain meshes
// placed by their world matrices, and the same of each level-of-detail copy of the root. Reads the
// bounds and matrices of the last transform update; centre and half extents are set.
CPAxisBox ObjectReach(const CPGameObject& root);
