# Readers of the history, favorites and links stores.
marvo_fuzz(history_file LINKS marvo_places)
marvo_fuzz(order_file LINKS marvo_places)
marvo_fuzz(menu_order LINKS marvo_places)
