// The game-state store's script functions ("GetState", "_SetState" and the three queries).
#pragma once

struct lua_State;

// Binds the functions as globals of the state. They look the store up at each call, so the
// state may be bound before the store exists; without a store they answer empty and false.
void RegisterGameStateFunctions(lua_State* state);
