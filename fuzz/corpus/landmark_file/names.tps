LM=3
0 0
3 0
0 4
ID=a
LM=3
1 1
2 2
3 5
ID=Männchen
