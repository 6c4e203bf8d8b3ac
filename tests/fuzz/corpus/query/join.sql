SELECT I.ItemID, P.ProdName, C.CatName, I.Price, I.Quantity
FROM Items I, Products P, Categories C
WHERE I.Product = P.ProdID AND P.Category = C.CatID
ORDER BY C.CatName, P.ProdName