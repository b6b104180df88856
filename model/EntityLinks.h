#pragma once
// What the entity layer uses of the classes built on top of it: the model object (the
// process-wide current model), components and their relationships, edges and drawing
// elements. The entity layer reaches them only through these functions, so that it never
// includes their headers; each function is defined beside the class it serves.

#include <vector>

class CBackReferenceIndex;
class CEntity;
class CLayer;
class CZephyronModel;

namespace links {

// The model object.
CZephyronModel* GetCurrentModel();
// While set, entity changes of the model post no "EntityChanged".
bool AreNotificationsSuspended(const CZephyronModel& model);
// Created on first use.
CBackReferenceIndex& GetBackReferenceIndex(CZephyronModel& model);
// The model-level check; with remember a map of checked objects is passed down.
int CheckModelValidity(CZephyronModel& model, int level, bool remember);

// An edge's curve entity, or null.
CEntity* GetEdgeCurve(const CEntity& edge);

// Components (entity types 2 and 4) and the relationships of their relationship maps.
enum class RelationshipRole { kDriver, kDriven };
// Appends, in map order, the relationship entities in which the entity has the role; returns
// how many.
int GetRelationships(const CEntity& component, const CEntity& entity, RelationshipRole role,
                     std::vector<CEntity*>& relationships);
// Removes and erases every relationship in which the entity drives or is driven.
void RemoveRelationshipsOf(CEntity& component, CEntity& entity);
// Relationships that name the old entity name the new one instead.
void ReplaceInRelationships(CEntity& component, CEntity& oldEntity, CEntity* newEntity);
CEntity* GetDrivenEntity(const CEntity& relationship);

// Drawing elements (IsDrawingElement true).
// The run-time selected bit (0x40 of the flags word), set without a change notice.
void SetSelectedFlag(CEntity& element, bool selected);
CLayer* GetLayer(CEntity& element);

}  // namespace links
