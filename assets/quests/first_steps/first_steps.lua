-- The first quest: a week's truffles for Millbrook's factory.
table.insert(_AllQuests, { name = "first_steps", title = "quest_first_steps", product = "truffle",
  port = "millbrook", amount = 24 })
