# History, favorites and links stores.
marvo_bench(history_load LINKS marvo_places)
