-- The ledger's screen: the ledger over the screen it was opened from (gLedgerView says which:
-- "mapview" or "portview"), filled in afresh. Closes with where the ledger's switch leads, or nil.
MakeDialog {
  Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
}
GrabLedger()
UpdateLedger("all")
UpdateLedger(gLedgerView)
UpdateLedger("quest", Player.questTitle or "")
if Player.questDone then
  SetLedgerQuestIndicator("on")
elseif QuestMet() then
  -- The badge flashes once, when the quest's goal is first met.
  if Player.questFlashed then
    SetLedgerQuestIndicator("on")
  else
    Player.questFlashed = true
    SetLedgerQuestIndicator("off")
    SetLedgerQuestIndicator("flash")
  end
else
  SetLedgerQuestIndicator("off")
end
AnimateProduction()
